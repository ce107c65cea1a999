#include "run_scenario.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace script {
namespace {

std::filesystem::path make_temporary_folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "scenario-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

// Reads both pipes to their end together, so that neither can fill up and
// stall the program while the other is being read.
void drain(int out_fd, int err_fd, std::string& out, std::string& err) {
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open = 2;
    char chunk[65536];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            const ssize_t n = read(fds[i].fd, chunk, sizeof chunk);
            if (n > 0) {
                sinks[i]->append(chunk, static_cast<std::size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

int spawn_and_wait(const std::string& program, const std::filesystem::path& scenario,
                   const std::filesystem::path& trace, std::string& out, std::string& err) {
    int out_pipe[2], err_pipe[2];
    if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(out_pipe[1], STDOUT_FILENO);
        dup2(err_pipe[1], STDERR_FILENO);
        close(out_pipe[0]);
        close(out_pipe[1]);
        close(err_pipe[0]);
        close(err_pipe[1]);
        setenv("SCRIPT_SCENARIO", scenario.c_str(), 1);
        setenv("SCRIPT_TRACE", trace.c_str(), 1);
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        execv(program.c_str(), argv);
        _exit(127);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);
    drain(out_pipe[0], err_pipe[0], out, err);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

Call parse_line(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
        fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    Call call;
    call.step = std::atoi(fields[0].c_str());
    if (fields.size() > 1) call.name = fields[1];
    for (std::size_t i = 2; i < fields.size(); ++i) {
        if (i + 1 == fields.size() && !fields[i].empty() && fields[i][0] == '=') {
            call.result = fields[i].substr(1);
        } else {
            call.args.push_back(unescape(fields[i]));
        }
    }
    return call;
}

std::vector<Call> read_trace(const std::filesystem::path& path) {
    std::vector<Call> calls;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) calls.push_back(parse_line(line));
    }
    return calls;
}

}  // namespace

Result run(const std::string& program_path, const std::string& scenario_text) {
    const std::filesystem::path folder = make_temporary_folder();
    const std::filesystem::path scenario = folder / "scenario";
    const std::filesystem::path trace = folder / "trace";
    std::ofstream(scenario, std::ios::binary) << scenario_text;
    Result result;
    result.status = spawn_and_wait(program_path, scenario, trace, result.out, result.err);
    result.calls = read_trace(trace);
    std::filesystem::remove_all(folder);
    return result;
}

std::string scripted(std::string_view program) {
    return std::string(SCRIPTED_DIR) + "/" + std::string(program) + "_scripted";
}

std::vector<Call> calls_named(const Result& result, std::string_view name) {
    std::vector<Call> found;
    for (const Call& c : result.calls) {
        if (c.name == name) found.push_back(c);
    }
    return found;
}

std::vector<std::string> lines(const Result& result) {
    std::vector<std::string> out;
    for (const Call& c : result.calls) {
        std::string line = std::to_string(c.step) + " " + c.name;
        for (const std::string& a : c.args) line += " " + a;
        if (!c.result.empty()) line += " =" + c.result;
        out.push_back(line);
    }
    return out;
}

std::string console(const Result& result) {
    std::string text;
    for (const Call& c : result.calls) {
        if (c.name == "robot_console_print" && !c.args.empty()) text += c.args[0];
    }
    return text;
}

std::string unescape(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const char c = field[++i];
        if (c == 'n') {
            out += '\n';
        } else if (c == 't') {
            out += '\t';
        } else if (c == 'x' && i + 2 < field.size()) {
            out += static_cast<char>(std::stoi(std::string(field.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace script

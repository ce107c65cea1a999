#include "recording.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "arena/record/console_text.h"
#include "arena/record/csv_text.h"

namespace worlds_test {

std::filesystem::path world(const std::string& name) { return std::filesystem::path(WORLDS_DIR) / name; }
std::filesystem::path test_world(const std::string& name) { return std::filesystem::path(TEST_WORLDS_DIR) / name; }

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "arena-e2e-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string read_file(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

ArenaResult run_arena(const std::vector<std::string>& args) {
    TempDir io;
    std::string out = (io.path() / "out").string(), err = (io.path() / "err").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::string arena = ARENA_BIN;
    std::vector<char*> argv{arena.data()};
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    int rc = posix_spawn(&pid, arena.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + arena);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    ArenaResult r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = read_file(out);
    r.err = read_file(err);
    return r;
}

std::vector<ConsoleLine> read_console(const std::filesystem::path& recording) {
    std::vector<ConsoleLine> lines;
    std::istringstream in(read_file(recording / "console.log"));
    std::string line;
    while (std::getline(in, line)) {
        std::size_t a = line.find('\t'), b = line.find('\t', a + 1), c = line.find('\t', b + 1);
        if (c == std::string::npos) throw std::runtime_error("console.log line without four fields: " + line);
        lines.push_back({std::stod(line.substr(0, a)), line.substr(a + 1, b - a - 1), line.substr(b + 1, c - b - 1),
                         arena::unescape_text(line.substr(c + 1))});
    }
    return lines;
}

std::vector<std::string> texts(const std::vector<ConsoleLine>& lines, const std::string& robot,
                               const std::string& stream) {
    std::vector<std::string> out;
    for (const auto& l : lines) {
        if (l.robot == robot && l.stream == stream) out.push_back(l.text);
    }
    return out;
}

nlohmann::json read_summary(const std::filesystem::path& recording) {
    return nlohmann::json::parse(read_file(recording / "summary.json"));
}

std::vector<nlohmann::json> read_trace(const std::filesystem::path& recording, const std::string& robot) {
    std::vector<nlohmann::json> steps;
    std::istringstream in(read_file(recording / "traces" / (robot + ".jsonl")));
    std::string line;
    while (std::getline(in, line)) steps.push_back(nlohmann::json::parse(line));
    return steps;
}

std::vector<Pose> read_poses(const std::filesystem::path& recording, const std::string& body) {
    std::vector<Pose> poses;
    const std::string text = read_file(recording / "poses.csv");
    std::string_view rest = std::string_view(text).substr(text.find('\n') + 1);  // after the header
    for (std::size_t end; (end = arena::csv_record_end(rest)) != std::string_view::npos; rest.remove_prefix(end + 1)) {
        const std::vector<std::string> f = arena::csv_fields(rest.substr(0, end));
        if (f.size() != 9)
            throw std::runtime_error("poses.csv row without nine fields: " + std::string(rest.substr(0, end)));
        if (f[1] == body) poses.push_back({std::stod(f[0]), {std::stod(f[2]), std::stod(f[3]), std::stod(f[4])}});
    }
    return poses;
}

bool process_alive(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) return false;
    std::size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z';
}

}  // namespace worlds_test

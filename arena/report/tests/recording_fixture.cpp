#include "recording_fixture.h"

#include <fstream>
#include <random>
#include <sstream>

namespace arena::testing {

namespace fs = std::filesystem;

RecordingFixture::RecordingFixture(int steps) {
    std::random_device seed;
    dir_ = fs::temp_directory_path() / ("arena-report-test-" + std::to_string(seed()));
    fs::create_directories(dir_ / "traces");
    write("scene.json", R"({"bodies":[
        {"name":"world","geoms":[{"type":"plane","size":[5,5,0.1],"pos":[0,0,0],"quat":[0.7071,-0.7071,0,0],"rgba":[0.5,0.5,0.5,1]}]},
        {"name":"airship","geoms":[{"type":"ellipsoid","size":[0.4,0.15,0.15],"pos":[0,0,0],"quat":[1,0,0,0],"rgba":[0.9,0.9,1,1]}]},
        {"name":"gate0","geoms":[{"type":"box","size":[0.04,1,0.04],"pos":[0,0,0],"quat":[1,0,0,0],"rgba":[1,0,0,1]}]}]})");
    write("summary.json", R"({"world":"fixture","title":"Fixture <run>","duration":1.0,"seed":1,)"
                          R"("steps":{"airship":20},"figures":{"gates_passed":1}})");
    std::ostringstream poses, trace, listener;
    poses << "time,body,x,y,z,qw,qx,qy,qz\n";
    for (int i = 0; i < steps; ++i) {
        const double t = 0.032 * i;
        poses << t << ",airship," << 0.1 * i << ",1.5," << -0.05 * i << ",1,0,0,0\n";
        poses << t << ",gate0,1,1.8,3,1,0,0,0\n";
        trace << R"({"step":)" << i << R"(,"t":)" << t << R"(,"ms":32,"samples":{"ds0":)" << 10 * i
              << R"(,"gps":[1,0,0,0,0,1,0,0,0,0,1,0,)" << 0.1 * i << ",1.5," << -0.05 * i << R"(,1],"keys":[]},)"
              << R"("commands":{"force_torque":[0.5,2.45,0,0,)" << 0.01 * i << ",0]}}\n";
        listener << R"({"step":)" << i << R"(,"t":)" << t << R"(,"ms":64,"samples":{)"
                 << (i % 5 == 0 ? R"("ircom":{"size":2,"hex":"4869"})" : "") << R"(},"commands":{}})"
                 << "\n";
    }
    write("poses.csv", poses.str());
    write("traces/airship.jsonl", trace.str());
    write("traces/listener.jsonl", listener.str());
    write(
        "traces/beacon.jsonl",
        R"({"step":0,"t":0,"ms":64,"samples":{},"commands":{"enable":{"emitter":64},"emit":{"emitter":["4869","21"]}}})"
        "\n"
        R"({"step":1,"t":0.064,"ms":64,"samples":{},"commands":{"emit":{"emitter":"ff"}}})"
        "\n");
    write("console.log",
          "0.000\tairship\tconsole\ttab\\there \\\\ back\n"
          "0.032\tlistener\tstdout\t</script><script>alert(1)</script>\n");
}

RecordingFixture::~RecordingFixture() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

void RecordingFixture::write(const std::string& relative, const std::string& text) const {
    std::ofstream(dir_ / relative, std::ios::binary | std::ios::trunc) << text;
}

void RecordingFixture::append(const std::string& relative, const std::string& text) const {
    std::ofstream(dir_ / relative, std::ios::binary | std::ios::app) << text;
}

std::string RecordingFixture::read(const std::string& relative) const {
    std::ifstream in(dir_ / relative, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

}  // namespace arena::testing

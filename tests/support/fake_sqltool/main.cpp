// A stand-in for the SQL Server command-line tool, driven by environment variables:
//   VX_FAKE_TOOL_RECORD  folder: "arguments" (each argument followed by a NUL byte), "password"
//                        (SQLCMDPASSWORD, written only when it is set), "script" (a copy of the -i
//                        file) and "pid"
//   VX_FAKE_TOOL_OUTPUT  file whose bytes become the -o file; without it no output file is made
//   VX_FAKE_TOOL_SLEEP_MS  pause before ending
//   VX_FAKE_TOOL_SIGNAL  signal the tool kills itself with at the end
//   VX_FAKE_TOOL_EXIT    exit code otherwise (0 by default)
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

const char* setting(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

std::string switchValue(int argc, char** argv, const std::string& name) {
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] == name)
            return argv[i + 1];
    return {};
}

void copyFile(const std::string& from, const std::filesystem::path& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
}

} // namespace

int main(int argc, char** argv) {
    if (const char* folder = setting("VX_FAKE_TOOL_RECORD")) {
        const std::filesystem::path record(folder);
        std::ofstream arguments(record / "arguments", std::ios::binary | std::ios::trunc);
        for (int i = 1; i < argc; ++i)
            arguments << argv[i] << '\0';
        if (const char* password = std::getenv("SQLCMDPASSWORD"))
            std::ofstream(record / "password", std::ios::binary | std::ios::trunc) << password;
        copyFile(switchValue(argc, argv, "-i"), record / "script");
        std::ofstream(record / "pid", std::ios::trunc) << getpid();
    }
    if (const char* output = setting("VX_FAKE_TOOL_OUTPUT"))
        copyFile(output, switchValue(argc, argv, "-o"));
    if (const char* pause = setting("VX_FAKE_TOOL_SLEEP_MS"))
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(pause)));
    if (const char* signal = setting("VX_FAKE_TOOL_SIGNAL")) {
        std::signal(std::atoi(signal), SIG_DFL);
        std::raise(std::atoi(signal));
    }
    const char* code = setting("VX_FAKE_TOOL_EXIT");
    return code ? std::atoi(code) : 0;
}

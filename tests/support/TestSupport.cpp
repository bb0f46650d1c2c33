#include "TestSupport.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <cstdio>
#include <stdexcept>

namespace pelmo::test {

MessageSink::Answer RecordingMessageSink::Ask(const std::string& question, bool withCancel) {
    Questions.push_back(question);
    WithCancel.push_back(withCancel);
    if (Answers.empty()) return Answer::No;
    const Answer a = Answers.front();
    Answers.erase(Answers.begin());
    return a;
}

TextExtent FixedTextMetrics::Measure(const std::string& text, int) const {
    return {static_cast<int>(text.size()) * CharWidth, Height};
}

TempFolder::TempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "pelmo-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl + "/";
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string DataFile(const std::string& name) { return std::string(PELMO_TEST_DATA_DIR) + "/" + name; }

std::string CopyExample(const TempFolder& folder, const std::string& name) {
    std::filesystem::copy_file(std::string(PELMO_SOURCE_DIR) + "/examples/" + name, folder.Path() + name);
    return folder.Path() + name;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteWholeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

}  // namespace pelmo::test

#include <sys/wait.h>
#include <unistd.h>

namespace pelmo::test {

CommandResult RunCli(const std::vector<std::string>& args) {
    TempFolder tmp;
    const std::string outPath = tmp.Path() + "out", errPath = tmp.Path() + "err";
    CommandResult r;
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        std::string exe = PELMO_CLI_PATH;
        argv.push_back(exe.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (!std::freopen(outPath.c_str(), "w", stdout) || !std::freopen(errPath.c_str(), "w", stderr)) ::_exit(127);
        ::execv(exe.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.Out = ReadWholeFile(outPath);
    r.Err = ReadWholeFile(errPath);
    return r;
}

}  // namespace pelmo::test

namespace pelmo::test {

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old_;
    lim.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lim);
}

FileSizeLimit::~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
}

}  // namespace pelmo::test

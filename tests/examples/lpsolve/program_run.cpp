#include "tests/examples/lpsolve/program_run.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace lpsolve_test {
std::string tempPath(const std::string& stem) {
    return ::testing::TempDir() + "lpsolve_" + std::to_string(getpid()) + "_" + stem;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string gzip(const std::string& text) {
    std::string out(compressBound(static_cast<uLong>(text.size())) + 32, '\0');
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);  // 31: gzip header
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

ProgramRun runProgram(const std::string& binary, const std::vector<std::string>& args,
                      double seconds) {
    const std::string outPath = tempPath("stdout"), errPath = tempPath("stderr");
    std::vector<char*> argv{const_cast<char*>(binary.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
        execvp(binary.c_str(), argv.data());
        _exit(127);
    }
    ProgramRun r;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (pid > 0 && waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            r.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!r.timedOut && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    if (!r.timedOut && WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    for (auto [path, text] : {std::pair{&outPath, &r.out}, {&errPath, &r.err}}) {
        std::stringstream bytes;
        bytes << std::ifstream(*path, std::ios::binary).rdbuf();
        *text = bytes.str();
        std::remove(path->c_str());
    }
    return r;
}

// Clp's last status line reads "<Status> objective <value> - ...".
Verdict runClp(const std::string& file) {
    Verdict v{.output = runProgram("clp", {file, "-dualsimplex"}).out};
    std::istringstream lines(v.output);
    const char* names[] = {"Optimal", "PrimalInfeasible", "DualInfeasible"};
    for (std::string line, status, word; std::getline(lines, line);) {
        double value = 0.0;
        if (!(std::istringstream(line) >> status >> word >> value) || word != "objective") continue;
        for (int k = 0; k < 3; ++k) {
            if (status == names[k]) v.status = lpsolve::IpmStatus(k), v.objective = value;
        }
    }
    return v;
}

}  // namespace lpsolve_test

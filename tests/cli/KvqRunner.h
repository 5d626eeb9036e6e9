#pragma once
// Runs the built kvq (env KVQ_BINARY) in a new session, so that it has no controlling terminal and
// can never prompt; stdin is /dev/null, stdout and stderr are captured.
#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::clitest {

struct RunResult {
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
};

class Kvq {
public:
    // Environment for every run: the test's own minus the password variables, plus these.
    std::map<std::string, std::string> env;

    RunResult operator()(const std::vector<std::string>& args) const;
    // Starts kvq and returns at once; Wait collects it.
    pid_t Start(const std::vector<std::string>& args, const std::string& outPath,
                const std::string& errPath) const;
    static int Wait(pid_t pid);
};

// A fresh folder under the temp folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
std::vector<std::string> Lines(const std::string& text);
// A JPEG of the given size written by Qt's image writer.
void WriteJpeg(const std::string& path, int width, int height);
// Sets a file's modification time (Unix seconds).
void SetModified(const std::string& path, int64_t unixSeconds);

} // namespace quorvane::clitest

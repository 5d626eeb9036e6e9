#include "KvqRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace quorvane::clitest {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

void WriteJpeg(const std::string& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 90));
        }
    }
    if (!image.save(QString::fromStdString(path), "JPG")) {
        throw std::runtime_error("cannot write " + path);
    }
}

void SetModified(const std::string& path, int64_t unixSeconds) {
    const timespec times[2] = {{static_cast<time_t>(unixSeconds), 0}, {static_cast<time_t>(unixSeconds), 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kvqtest-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

pid_t Kvq::Start(const std::vector<std::string>& args, const std::string& outPath,
                 const std::string& errPath) const {
    const char* binary = std::getenv("KVQ_BINARY");
    if (binary == nullptr) {
        throw std::runtime_error("KVQ_BINARY is not set");
    }
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name != "KVQ_PASSWORD" && name != "KVQ_INTO_PASSWORD" && env.count(name) == 0) {
            environment.push_back(entry);
        }
    }
    for (const auto& [name, value] : env) {
        std::string entry = name;
        entry += '=';
        entry += value;
        environment.push_back(std::move(entry));
    }
    std::vector<std::string> argv{binary};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    cargv.reserve(argv.size() + 1);
    for (std::string& a : argv) {
        cargv.push_back(a.data());
    }
    cargv.push_back(nullptr);
    std::vector<char*> cenv;
    cenv.reserve(environment.size() + 1);
    for (std::string& e : environment) {
        cenv.push_back(e.data());
    }
    cenv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, binary, &actions, &attributes, cargv.data(), cenv.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) {
        throw std::runtime_error("cannot start kvq");
    }
    return pid;
}

int Kvq::Wait(pid_t pid) {
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0) {
    }
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
}

RunResult Kvq::operator()(const std::vector<std::string>& args) const {
    TempDir capture;
    const pid_t pid = Start(args, capture / "out", capture / "err");
    RunResult run;
    run.status = Wait(pid);
    run.out = ReadFile(capture / "out");
    run.err = ReadFile(capture / "err");
    return run;
}

} // namespace quorvane::clitest

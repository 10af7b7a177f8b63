#include "support/other_user.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

// Drops every privilege for good; false when one of the steps fails.
bool BecomeReader() {
    return !ReaderIsNobody() || (::setgroups(0, nullptr) == 0 && ::setgid(kNogroup) == 0 &&
                                 ::setuid(kNobody) == 0 && ::getuid() == kNobody);
}

// Folders and files below root and root itself get these modes; links are left alone. A chmod
// needs only ownership, so the order does not matter.
void ChangeTree(const std::filesystem::path& root, mode_t folderMode, mode_t fileMode) {
    ::chmod(root.c_str(), folderMode);
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(root, error), end; !error && it != end;
         it.increment(error)) {
        const std::filesystem::file_status status = it->symlink_status(error);
        const bool folder = std::filesystem::is_directory(status);
        if (folder || std::filesystem::is_regular_file(status)) {
            ::chmod(it->path().c_str(), folder ? folderMode : fileMode);
        }
    }
}

} // namespace

pid_t InChild(const std::function<bool()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body() ? 0 : 1);
    }
    return pid;
}

int ExitStatus(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ReaderIsNobody() {
    return ::geteuid() == 0;
}

UnwritableTree::UnwritableTree(std::filesystem::path root) : root_(std::move(root)) {
    const bool asRoot = ReaderIsNobody();
    ChangeTree(root_, asRoot ? 0755 : 0555, asRoot ? 0644 : 0444);
}

UnwritableTree::~UnwritableTree() {
    if (!ReaderIsNobody()) {
        ChangeTree(root_, 0755, 0644);
    }
}

bool UnwritableTree::holds() const {
    return RunAsReader([root = root_] { return ::access(root.c_str(), W_OK) != 0; });
}

ReaderProcess::ReaderProcess(const std::function<bool()>& body) {
    int pipeEnds[2] = {-1, -1};
    if (::pipe(pipeEnds) != 0) {
        return;
    }
    pid_ = InChild([&] {
        ::close(pipeEnds[1]);
        const bool dropped = BecomeReader();
        char go = 0;
        const bool told = ::read(pipeEnds[0], &go, 1) == 1;
        return dropped && told && body();
    });
    ::close(pipeEnds[0]);
    go_ = pipeEnds[1];
}

bool ReaderProcess::finish() {
    if (pid_ <= 0) {
        return false;
    }
    const bool told = ::write(go_, "g", 1) == 1;
    ::close(go_);
    go_ = -1;
    return ExitStatus(std::exchange(pid_, -1)) == 0 && told;
}

std::vector<std::string> ReaderCommand() {
    if (!ReaderIsNobody()) {
        return {};
    }
    return {"setpriv", "--reuid=" + std::to_string(kNobody), "--regid=" + std::to_string(kNogroup),
            "--clear-groups"};
}

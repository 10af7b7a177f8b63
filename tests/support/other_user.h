// Test code run by a reader who may not write a folder tree, where permission bits hold: the
// tests run as root in CI, and nothing stops root. As root the reader is nobody (uid and gid
// 65534, no supplementary groups); otherwise it is this user, and the tree loses its write bits.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Makes a tree readable but not writable by the reader, and writable again when it ends: as
// root, folders 0755 and files 0644 (owned by root); otherwise folders 0555 and files 0444.
class UnwritableTree {
public:
    explicit UnwritableTree(std::filesystem::path root);
    ~UnwritableTree();
    UnwritableTree(const UnwritableTree&) = delete;
    UnwritableTree& operator=(const UnwritableTree&) = delete;

    // False when the reader can still write the tree's root (a user whom bits do not stop).
    bool holds() const;

private:
    std::filesystem::path root_;
};

// Runs body in a child process whose exit status is body's result.
pid_t InChild(const std::function<bool()>& body);
// The exit status of a child process once it ends; -1 when it did not exit.
int ExitStatus(pid_t pid);

// A child process that becomes the reader at once and runs body when told to, so that what
// the parent opens afterwards is not inherited.
class ReaderProcess {
public:
    explicit ReaderProcess(const std::function<bool()>& body);
    ~ReaderProcess() { finish(); }
    ReaderProcess(const ReaderProcess&) = delete;
    ReaderProcess& operator=(const ReaderProcess&) = delete;

    // Lets the child run body and waits for it: true when body returned true there.
    bool finish();

private:
    pid_t pid_ = -1;
    int go_ = -1;
};

// True when the reader is nobody (this process runs as root); then an UnwritableTree always holds.
bool ReaderIsNobody();

// Runs body in a child process as the reader.
inline bool RunAsReader(const std::function<bool()>& body) {
    return ReaderProcess(body).finish();
}

// The start of a command line that runs a program as the reader (util-linux setpriv as root,
// nothing otherwise).
std::vector<std::string> ReaderCommand();

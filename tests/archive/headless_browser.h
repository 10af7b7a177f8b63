// One headless Chromium for a whole test program, driven over the DevTools protocol on a pipe
// (--remote-debugging-pipe: commands on its descriptor 3, answers and events on 4, each JSON
// message ending in a NUL byte). It loads pages, evaluates expressions in them and collects the
// script errors and the log's errors and warnings (where policy violations are reported).
#pragma once

#include "platform/unique_fd.h"

#include <nlohmann/json.hpp>

#include <string>
#include <sys/types.h>
#include <vector>

class HeadlessBrowser {
public:
    // Starts the browser with one tab; ok() says whether that worked.
    HeadlessBrowser();
    ~HeadlessBrowser();
    HeadlessBrowser(const HeadlessBrowser&) = delete;
    HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

    bool ok() const { return !session_.empty(); }
    // Why the start or the last failed call failed.
    const std::string& failure() const { return failure_; }
    // Loads the URL and waits for its load event; false on an error or when the browser hangs.
    bool Load(const std::string& url);
    // The value of a JavaScript expression in the page; null when it threw.
    nlohmann::json Evaluate(const std::string& expression);
    // The problems seen since the last call, one text each.
    std::vector<std::string> TakeProblems() { return std::exchange(problems_, {}); }

private:
    nlohmann::json Call(const std::string& method, const nlohmann::json& params);
    bool Receive(nlohmann::json& message);
    void Note(const nlohmann::json& event);

    pid_t pid_ = -1;
    UniqueFd toBrowser_;
    UniqueFd fromBrowser_;
    std::string profile_; // the browser's own scratch folder
    std::string buffer_;  // bytes read past the last whole message
    std::string session_; // the tab's, once attached
    int nextId_ = 1;
    bool loaded_ = false;
    std::vector<std::string> problems_;
    std::string failure_;
};

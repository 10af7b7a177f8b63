// One headless Chromium for a whole test program, driven over the DevTools protocol on a pipe
// (--remote-debugging-pipe: commands on its descriptor 3, answers and events on 4, each message
// JSON ending in a NUL byte). It loads pages, evaluates expressions in them and collects what
// the page's console, its scripts and its content security policy complained of.
#pragma once

#include "platform/unique_fd.h"

#include <nlohmann/json.hpp>

#include <string>
#include <sys/types.h>
#include <vector>

class HeadlessBrowser {
public:
    // Starts the browser and opens one tab; ok() says whether that worked.
    HeadlessBrowser();
    // Closes the browser and waits for it.
    ~HeadlessBrowser();
    HeadlessBrowser(const HeadlessBrowser&) = delete;
    HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

    bool ok() const { return !session_.empty(); }
    // Why the browser could not be started or a call failed.
    const std::string& failure() const { return failure_; }

    // Loads the URL in the tab and waits for its load event; false on an error or time-out.
    bool Load(const std::string& url);
    // The value of a JavaScript expression in the page (null when it threw).
    nlohmann::json Evaluate(const std::string& expression);
    // Script errors, console errors and policy violations since the last call, one text each.
    std::vector<std::string> TakeProblems();

private:
    nlohmann::json Call(const std::string& method, const nlohmann::json& params,
                        bool inSession = true);
    bool Send(const nlohmann::json& message);
    bool Receive(nlohmann::json& message);
    void Note(const nlohmann::json& event);

    pid_t pid_ = -1;
    UniqueFd toBrowser_;
    UniqueFd fromBrowser_;
    std::string profile_; // the browser's own scratch folder
    std::string buffer_;  // bytes read past the last whole message
    std::string session_;
    int nextId_ = 1;
    bool loaded_ = false;
    std::vector<std::string> problems_;
    std::string failure_;
};

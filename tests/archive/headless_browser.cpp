#include "headless_browser.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Long enough for a loaded machine; a browser that says nothing for this long has hung.
constexpr int kQuietMs = 60'000;

// The installed browser: Debian's chromium, or what MSGKEEPER_CHROMIUM names.
std::string BrowserPath() {
    const char* chosen = std::getenv("MSGKEEPER_CHROMIUM");
    return chosen != nullptr && *chosen != '\0' ? chosen : "/usr/bin/chromium";
}

// A pipe end moved above the standard descriptors and 3 and 4, closed in the browser.
UniqueFd High(int fd) {
    UniqueFd moved(::fcntl(fd, F_DUPFD_CLOEXEC, 10));
    ::close(fd);
    return moved;
}

} // namespace

HeadlessBrowser::HeadlessBrowser() {
    std::array<int, 2> commands{};
    std::array<int, 2> answers{};
    if (::pipe(commands.data()) != 0 || ::pipe(answers.data()) != 0) {
        failure_ = "cannot make the pipes";
        return;
    }
    const UniqueFd browserReads = High(commands[0]);
    toBrowser_ = High(commands[1]);
    fromBrowser_ = High(answers[0]);
    const UniqueFd browserWrites = High(answers[1]);

    std::string profile = (std::filesystem::temp_directory_path() / "msgkeeper-chromium-XXXXXX");
    if (::mkdtemp(profile.data()) == nullptr) {
        failure_ = "cannot make the browser's profile folder";
        return;
    }
    profile_ = profile;
    const std::string path = BrowserPath();
    std::vector<std::string> args = {path,
                                     "--headless",
                                     "--remote-debugging-pipe",
                                     "--user-data-dir=" + profile_,
                                     "--disable-gpu",
                                     "--no-first-run",
                                     "--no-default-browser-check",
                                     "--disable-extensions",
                                     "--disable-background-networking",
                                     "--disable-sync",
                                     "--mute-audio",
                                     "--hide-scrollbars",
                                     "--window-size=800,1000",
                                     "about:blank"};
    // Chromium refuses to start its sandbox as root, which test machines often are.
    if (::geteuid() == 0) {
        args.insert(args.begin() + 1, "--no-sandbox");
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, browserReads.get(), 3);
    posix_spawn_file_actions_adddup2(&actions, browserWrites.get(), 4);
    // Its own chatter (D-Bus, fonts) would bury the test's output.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        failure_ = "cannot start " + path + " (scripts/setup installs chromium)";
        return;
    }
    const nlohmann::json target = Call("Target.createTarget", {{"url", "about:blank"}}, false);
    if (!target.contains("targetId")) {
        failure_ = "the browser opens no tab: " + failure_;
        return;
    }
    const nlohmann::json attached =
        Call("Target.attachToTarget", {{"targetId", target["targetId"]}, {"flatten", true}}, false);
    const std::string session = attached.value("sessionId", "");
    if (session.empty()) {
        failure_ = "cannot attach to the tab: " + failure_;
        return;
    }
    session_ = session;
    Call("Page.enable", nlohmann::json::object());
    Call("Runtime.enable", nlohmann::json::object());
    Call("Log.enable", nlohmann::json::object());
    // Violations also reach the page itself, where no console message can be missed.
    Call("Page.addScriptToEvaluateOnNewDocument",
         {{"source", "window.__violations = [];"
                     "document.addEventListener('securitypolicyviolation', (e) =>"
                     "  window.__violations.push(e.violatedDirective + ' ' + e.blockedURI));"}});
}

HeadlessBrowser::~HeadlessBrowser() {
    if (pid_ > 0) {
        Call("Browser.close", nlohmann::json::object(), false);
        toBrowser_.reset();
        fromBrowser_.reset();
        int status = 0;
        for (int waited = 0; ::waitpid(pid_, &status, WNOHANG) == 0; ++waited) {
            if (waited == 100) { // five seconds
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            ::usleep(50'000);
        }
    }
    if (!profile_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(profile_, ignored);
    }
}

bool HeadlessBrowser::Send(const nlohmann::json& message) {
    std::string bytes = message.dump();
    bytes.push_back('\0');
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const ssize_t written = ::write(toBrowser_.get(), rest.data(), rest.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            failure_ = "the browser stopped reading";
            return false;
        }
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool HeadlessBrowser::Receive(nlohmann::json& message) {
    for (;;) {
        if (const std::size_t end = buffer_.find('\0'); end != std::string::npos) {
            message = nlohmann::json::parse(buffer_.substr(0, end), nullptr, false);
            buffer_.erase(0, end + 1);
            return !message.is_discarded();
        }
        pollfd ready{fromBrowser_.get(), POLLIN, 0};
        if (::poll(&ready, 1, kQuietMs) <= 0) {
            failure_ = "the browser did not answer";
            return false;
        }
        std::array<char, 65536> chunk{};
        const ssize_t got = ::read(fromBrowser_.get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            failure_ = "the browser has gone";
            return false;
        }
        buffer_.append(chunk.data(), static_cast<std::size_t>(got));
    }
}

nlohmann::json HeadlessBrowser::Call(const std::string& method, const nlohmann::json& params,
                                     bool inSession) {
    const int id = nextId_++;
    nlohmann::json message = {{"id", id}, {"method", method}, {"params", params}};
    if (inSession) {
        message["sessionId"] = session_;
    }
    if (!Send(message)) {
        return nullptr;
    }
    nlohmann::json answer;
    while (Receive(answer)) {
        if (answer.value("id", 0) != id) {
            Note(answer);
            continue;
        }
        if (answer.contains("error")) {
            failure_ = method + ": " + answer["error"].dump();
            return nullptr;
        }
        return answer.value("result", nlohmann::json::object());
    }
    return nullptr;
}

void HeadlessBrowser::Note(const nlohmann::json& event) {
    const std::string method = event.value("method", "");
    const nlohmann::json params = event.value("params", nlohmann::json::object());
    if (method == "Page.loadEventFired") {
        loaded_ = true;
    } else if (method == "Runtime.exceptionThrown") {
        problems_.push_back("script error: " + params["exceptionDetails"].dump());
    } else if (method == "Runtime.consoleAPICalled" && params.value("type", "") == "error") {
        problems_.push_back("console error: " + params["args"].dump());
    } else if (method == "Log.entryAdded") {
        const nlohmann::json entry = params.value("entry", nlohmann::json::object());
        // Warnings included: a policy that blocks something says so as one.
        const std::string level = entry.value("level", "");
        if (level == "error" || level == "warning") {
            problems_.push_back("log " + level + ": " + entry.value("text", ""));
        }
    }
}

bool HeadlessBrowser::Load(const std::string& url) {
    loaded_ = false;
    const nlohmann::json navigated = Call("Page.navigate", {{"url", url}});
    if (navigated.is_null() || navigated.contains("errorText")) {
        failure_ = "cannot load " + url + ": " + navigated.dump();
        return false;
    }
    // A change of the fragment alone loads nothing.
    if (!navigated.contains("loaderId")) {
        return true;
    }
    nlohmann::json event;
    while (!loaded_ && Receive(event)) {
        Note(event);
    }
    return loaded_;
}

nlohmann::json HeadlessBrowser::Evaluate(const std::string& expression) {
    const nlohmann::json result =
        Call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}});
    if (result.is_null() || result.contains("exceptionDetails")) {
        problems_.push_back("evaluation failed: " + expression);
        return nullptr;
    }
    return result["result"].value("value", nlohmann::json());
}

std::vector<std::string> HeadlessBrowser::TakeProblems() {
    const nlohmann::json violations = Evaluate("window.__violations || []");
    if (violations.is_array()) {
        for (const nlohmann::json& violation : violations) {
            problems_.push_back("policy violation: " + violation.get<std::string>());
        }
    }
    Evaluate("window.__violations = []");
    return std::exchange(problems_, {});
}

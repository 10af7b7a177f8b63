#include "headless_browser.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// A browser that says nothing for this long, even on a loaded machine, has hung.
constexpr int kQuietMs = 60'000;

// A pipe end moved above the descriptors the browser is given, and closed in it.
UniqueFd High(int fd) {
    UniqueFd moved(::fcntl(fd, F_DUPFD_CLOEXEC, 10));
    ::close(fd);
    return moved;
}

} // namespace

HeadlessBrowser::HeadlessBrowser() {
    std::array<int, 2> commands{};
    std::array<int, 2> answers{};
    std::string profile = std::filesystem::temp_directory_path() / "msgkeeper-chromium-XXXXXX";
    if (::pipe(commands.data()) != 0 || ::pipe(answers.data()) != 0 ||
        ::mkdtemp(profile.data()) == nullptr) {
        failure_ = "cannot make the browser's pipes or profile folder";
        return;
    }
    profile_ = profile;
    const UniqueFd browserReads = High(commands[0]);
    toBrowser_ = High(commands[1]);
    fromBrowser_ = High(answers[0]);
    const UniqueFd browserWrites = High(answers[1]);
    std::vector<std::string> args = {"/usr/bin/chromium",
                                     "--headless",
                                     "--remote-debugging-pipe",
                                     "--user-data-dir=" + profile_,
                                     "--disable-gpu",
                                     "--no-first-run",
                                     "--disable-extensions",
                                     "--disable-background-networking",
                                     "about:blank"};
    // Chromium cannot start its sandbox as root, which test machines often are.
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
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0); // its chatter
    const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        failure_ = "cannot start /usr/bin/chromium (scripts/setup installs it)";
        return;
    }
    const nlohmann::json target = Call("Target.createTarget", {{"url", "about:blank"}});
    const nlohmann::json attached =
        target.is_object()
            ? Call("Target.attachToTarget", {{"targetId", target["targetId"]}, {"flatten", true}})
            : nlohmann::json();
    if (!attached.is_object()) {
        failure_ = "the browser opens no tab: " + failure_;
        return;
    }
    session_ = attached["sessionId"];
    for (const char* domain : {"Page.enable", "Runtime.enable", "Log.enable"}) {
        Call(domain, nlohmann::json::object());
    }
}

HeadlessBrowser::~HeadlessBrowser() {
    if (pid_ > 0) {
        session_.clear();
        Call("Browser.close", nlohmann::json::object());
        ::kill(pid_, SIGTERM); // in case it did not hear the close
        ::waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(profile_, ignored);
}

bool HeadlessBrowser::Receive(nlohmann::json& message) {
    for (;;) {
        if (const std::size_t end = buffer_.find('\0'); end != std::string::npos) {
            message = nlohmann::json::parse(buffer_.substr(0, end), nullptr, false);
            buffer_.erase(0, end + 1);
            return true;
        }
        std::array<char, 65536> chunk{};
        pollfd ready{fromBrowser_.get(), POLLIN, 0};
        errno = 0;
        const ssize_t got = ::poll(&ready, 1, kQuietMs) > 0
                                ? ::read(fromBrowser_.get(), chunk.data(), chunk.size())
                                : -1;
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            failure_ = "the browser did not answer";
            return false;
        }
        buffer_.append(chunk.data(), static_cast<std::size_t>(got));
    }
}

nlohmann::json HeadlessBrowser::Call(const std::string& method, const nlohmann::json& params) {
    const int id = nextId_++;
    nlohmann::json message = {{"id", id}, {"method", method}, {"params", params}};
    if (!session_.empty()) {
        message["sessionId"] = session_;
    }
    const std::string bytes = message.dump() + '\0';
    if (::write(toBrowser_.get(), bytes.data(), bytes.size()) !=
        static_cast<ssize_t>(bytes.size())) {
        failure_ = "the browser stopped reading";
        return nullptr;
    }
    nlohmann::json answer;
    while (Receive(answer)) {
        if (answer.value("id", 0) != id) {
            Note(answer);
        } else if (answer.contains("error")) {
            failure_ = method + ": " + answer["error"].dump();
            return nullptr;
        } else {
            return answer.value("result", nlohmann::json::object());
        }
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
    } else if (method == "Log.entryAdded") {
        const std::string level = params["entry"].value("level", "");
        if (level == "error" || level == "warning") {
            problems_.push_back(level + ": " + params["entry"].value("text", ""));
        }
    }
}

bool HeadlessBrowser::Load(const std::string& url) {
    loaded_ = false;
    const nlohmann::json navigated = Call("Page.navigate", {{"url", url}});
    if (!navigated.is_object() || navigated.contains("errorText")) {
        failure_ = "cannot load " + url + ": " + navigated.dump();
        return false;
    }
    nlohmann::json event;
    // A new fragment alone loads nothing.
    while (navigated.contains("loaderId") && !loaded_ && Receive(event)) {
        Note(event);
    }
    return loaded_ || !navigated.contains("loaderId");
}

nlohmann::json HeadlessBrowser::Evaluate(const std::string& expression) {
    const nlohmann::json result =
        Call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}});
    if (!result.is_object() || result.contains("exceptionDetails")) {
        problems_.push_back("cannot evaluate " + expression);
        return nullptr;
    }
    return result["result"].value("value", nlohmann::json());
}

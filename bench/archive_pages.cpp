// Times a web archive in headless Chromium, as the pages measure themselves: the load of the
// index and of the first page of the largest conversation (2,000 messages when it has that
// many), and a search over every message: archive_pages SITE_DIR WORD
#include "headless_browser.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// Milliseconds from the start of the navigation to the end of the load event.
double LoadMs(HeadlessBrowser& browser, const std::string& url) {
    if (!browser.Load(url)) {
        std::fprintf(stderr, "archive_pages: %s\n", browser.failure().c_str());
        return -1;
    }
    const nlohmann::json ms =
        browser.Evaluate("performance.getEntriesByType('navigation')[0].loadEventEnd");
    return ms.is_number() ? ms.get<double>() : -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: archive_pages SITE_DIR WORD\n");
        return 2;
    }
    const std::string site = "file://" + std::filesystem::absolute(argv[1]).string() + "/";
    HeadlessBrowser browser;
    if (!browser.ok()) {
        std::fprintf(stderr, "archive_pages: %s\n", browser.failure().c_str());
        return 1;
    }
    const double index = LoadMs(browser, site + "index.html");
    // The conversation with the most messages, by the counts the index shows.
    const nlohmann::json largest = browser.Evaluate(
        "Array.from(document.querySelectorAll('#conversations > li')).map((li) => ["
        "parseInt(li.querySelector('.count').textContent), li.querySelector('a')"
        ".getAttribute('href')]).sort((a, b) => b[0] - a[0])[0]");
    const std::string page = largest.is_array() ? largest[1].get<std::string>() : "index.html";
    const double conversation = LoadMs(browser, site + page);
    const nlohmann::json shown = browser.Evaluate("document.querySelectorAll('.message').length");
    const double search = LoadMs(browser, site + "search.html?q=" + argv[2]);
    const nlohmann::json inPage = browser.Evaluate(
        "[document.documentElement.dataset.prepareMs, document.documentElement.dataset.searchMs,"
        "document.getElementById('status').textContent, window.MK.store.messages.length]");
    std::printf("index.html load                      %8.0f ms\n", index);
    std::printf("%-22s load (%s messages)  %8.0f ms\n", page.c_str(), shown.dump().c_str(),
                conversation);
    std::printf("search.html load (%s messages)     %8.0f ms\n", inPage[3].dump().c_str(), search);
    std::printf("  of it, folding the texts for search  %8s ms\n",
                inPage[0].get<std::string>().c_str());
    std::printf("search for '%s'                   %8s ms  (%s)\n", argv[2],
                inPage[1].get<std::string>().c_str(), inPage[2].get<std::string>().c_str());
    return 0;
}

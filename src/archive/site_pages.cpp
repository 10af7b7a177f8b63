#include "archive/site_pages.h"

#include "archive/script_text.h"
#include "archive/site_files.h"
#include "export/local_time.h"
#include "platform/utf.h"

#include <kainjow/mustache.hpp>

#include <array>
#include <atomic>
#include <memory>
#include <thread>

namespace archive {

namespace {

using Data = kainjow::mustache::data;
using Template = kainjow::mustache::mustache;

struct Templates {
    Template index{std::string(SiteFile("index.mustache"))};
    Template conversation{std::string(SiteFile("conversation.mustache"))};
    Template search{std::string(SiteFile("search.mustache"))};
    Template message{std::string(SiteFile("message.mustache"))};
    Template indexRow{std::string(SiteFile("index_row.mustache"))};

    bool Valid(std::u16string& error) const {
        for (const Template* page : {&index, &conversation, &search, &message, &indexRow}) {
            if (!page->is_valid()) {
                error = u"a page template is broken: " + utf::Utf16(page->error_message());
                return false;
            }
        }
        return true;
    }
};

// "YYYY-MM-DD hh:mm:ss" in local time, as the text exports write it; empty when unknown.
std::string LocalText(std::uint64_t time) {
    const FILETIME fileTime{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    return utf::Utf8(FormatLocalTime(fileTime));
}

std::string Minutes(const std::string& localText) {
    return localText.empty() ? std::string("time unknown") : localText.substr(0, 16);
}

std::string NumbersText(const Conversation& conversation) {
    return conversation.numbers.empty() ? std::string("No number") : conversation.numbers;
}

std::string Title(const Conversation& conversation) {
    return conversation.name.empty() ? NumbersText(conversation) : conversation.name;
}

std::string PageFile(const Conversation& conversation, std::size_t page) {
    return conversation.file + (page > 1 ? "-" + std::to_string(page) : std::string()) + ".html";
}

Data Common(const SiteFacts& facts) {
    Data data;
    data.set("csp", kContentSecurityPolicy);
    data.set("zone", facts.zone);
    data.set("made", facts.made);
    return data;
}

// The search data: script files that each hand window.MK a share of the messages.
class SearchData {
public:
    SearchData(SiteFolder& folder, std::string prefix)
        : folder_(folder), prefix_(std::move(prefix)) {}

    bool Add(std::size_t conversation, std::size_t page, std::size_t number,
             const std::string& time, const std::string& body, std::u16string& error) {
        chunk_ += (count_ == 0 ? "MK.messages([\n[" : ",\n[") + std::to_string(conversation) + "," +
                  std::to_string(page) + "," + std::to_string(number) + ",";
        AppendScriptString(chunk_, time);
        chunk_ += ',';
        AppendScriptString(chunk_, body);
        chunk_ += ']';
        // Bounded in bytes too: a long text escaped may take six bytes a character.
        return (++count_ < kSearchFileMessages && chunk_.size() < kSearchFileBytes) || Flush(error);
    }

    bool Flush(std::u16string& error) {
        if (count_ == 0) {
            return true;
        }
        files_.push_back(prefix_ + std::to_string(files_.size() + 1) + ".js");
        chunk_ += "\n]);\n";
        const bool written = folder_.Write(files_.back(), chunk_, error);
        chunk_.clear();
        count_ = 0;
        return written;
    }

    const std::vector<std::string>& files() const { return files_; }

private:
    SiteFolder& folder_;
    std::string prefix_;
    std::string chunk_;
    std::size_t count_ = 0;
    std::vector<std::string> files_;
};

Data Paging(const Conversation& conversation, std::size_t page, std::size_t pages) {
    Data paging;
    paging.set("page", std::to_string(page));
    paging.set("pages", std::to_string(pages));
    if (page > 1) {
        paging.set("previous", PageFile(conversation, page - 1));
    }
    if (page < pages) {
        paging.set("next", PageFile(conversation, page + 1));
    }
    return paging;
}

class PageWriter {
public:
    PageWriter(const Collection& collection, SiteFolder& folder, const SiteFacts& facts,
               Templates& templates, SearchData& search)
        : collection_(collection), folder_(folder), facts_(facts), templates_(templates),
          search_(search) {}

    // Every page of conversation number index.
    bool Write(std::size_t index, const StopCheck& stop, bool& stopped, std::size_t& written,
               std::u16string& error) {
        const Conversation& conversation = collection_.conversations()[index];
        const std::size_t count = conversation.count;
        const std::size_t pages = (count + kPageMessages - 1) / kPageMessages;
        Data data = Common(facts_);
        data.set("name", Title(conversation));
        if (!conversation.name.empty()) { // else the numbers are the title
            data.set("numbers", NumbersText(conversation));
        }
        data.set("count", std::to_string(count));
        data.set("messagesWord", count == 1 ? "message" : "messages");
        data.set("first", Minutes(LocalText(Time(conversation, 0))));
        data.set("last", Minutes(LocalText(Time(conversation, count - 1))));
        for (std::size_t page = 1; page <= pages; ++page) {
            if (StopRequested(stop)) {
                stopped = true;
                return false;
            }
            if (pages > 1) {
                data.set("paging", Paging(conversation, page, pages));
            }
            // Each message through its own template, into one list that the page holds as it is:
            // a list of thousands of mustache objects costs more than the rest of the archive.
            std::string messages;
            const std::size_t end = std::min(count, page * kPageMessages);
            std::string previousDay;
            for (std::size_t at = (page - 1) * kPageMessages; at < end; ++at) {
                if (!Message(index, page, at, previousDay, error)) {
                    return false;
                }
                templates_.message.render(
                    item_, [&messages](const std::string& part) { messages += part; });
            }
            data.set("messages", messages);
            std::string html;
            templates_.conversation.render(data,
                                           [&html](const std::string& part) { html += part; });
            if (!folder_.Write(PageFile(conversation, page), html, error)) {
                return false;
            }
            ++written;
        }
        return true;
    }

    std::size_t Conversations() const { return collection_.conversations().size(); }

private:
    std::uint64_t Time(const Conversation& conversation, std::size_t at) const {
        return collection_.At(conversation, at).time;
    }

    // Message at (0-based, in time order) of the conversation, for its page and the search.
    bool Message(std::size_t index, std::size_t page, std::size_t at, std::string& previousDay,
                 std::u16string& error) {
        Data& item = item_; // every key set each time: the object is kept, its strings replaced
        const Conversation& conversation = collection_.conversations()[index];
        const Entry& entry = collection_.At(conversation, at);
        if (!collection_.Read(entry, text_, error)) {
            return false;
        }
        const std::string local = LocalText(entry.time);
        const std::string day = local.empty() ? std::string("Date unknown") : local.substr(0, 10);
        if (day != previousDay || at % kPageMessages == 0) {
            item.set("day", day);
            previousDay = day;
        } else {
            item.set("day", false);
        }
        const std::string number = std::to_string(at + 1);
        item.set("n", number);
        item.set("side", entry.received ? "in" : "out");
        item.set("time", local.empty() ? std::string("--:--") : local.substr(11, 5));
        item.set("mark", text_.mark.empty() ? Data(false) : Data(text_.mark));
        item.set("body", text_.body);
        return search_.Add(index, page, at + 1, Minutes(local), text_.body, error);
    }

    const Collection& collection_;
    SiteFolder& folder_;
    const SiteFacts& facts_;
    Templates& templates_;
    SearchData& search_;
    EntryText text_;
    Data item_;
};

// The index is written row by row: with many conversations it is the archive's largest page.
bool WriteIndex(const Collection& collection, SiteFolder& folder, const SiteFacts& facts,
                Templates& templates, std::u16string& error) {
    // Where the rows go: a control character that the page's own texts do not hold.
    constexpr char kRows[] = "\x1e";
    Data data = Common(facts);
    data.set("rows", kRows);
    const std::size_t messages = collection.entries().size();
    const std::size_t conversations = collection.conversations().size();
    data.set("messages", std::to_string(messages));
    data.set("messagesWord", messages == 1 ? "message" : "messages");
    data.set("conversations", std::to_string(conversations));
    data.set("conversationsWord", conversations == 1 ? "conversation" : "conversations");
    const std::string page = templates.index.render(data);
    const std::size_t rows = page.find(kRows);
    if (rows == std::string::npos) {
        error = u"the index template has no place for its rows";
        return false;
    }
    UniqueFd file;
    if (!folder.Begin("index.html", file, error) ||
        !folder.Put(file, "index.html", std::string_view(page).substr(0, rows), error)) {
        return false;
    }
    Data item;
    std::string chunk;
    std::string lastText;
    for (const Conversation& conversation : collection.conversations()) {
        const std::size_t count = conversation.count;
        const std::uint64_t first = collection.At(conversation, 0).time;
        if (!collection.LastText(conversation, lastText, error)) {
            return false;
        }
        item.set("name", Title(conversation));
        item.set("numbers",
                 conversation.name.empty() ? Data(false) : Data(NumbersText(conversation)));
        item.set("filter", conversation.name + " " + NumbersText(conversation));
        item.set("file", PageFile(conversation, 1));
        item.set("count", Counted(count, "message"));
        item.set("first", Minutes(LocalText(first)));
        item.set("last", Minutes(LocalText(conversation.lastTime)));
        item.set("last_text", lastText);
        templates.indexRow.render(item, [&chunk](const std::string& part) { chunk += part; });
        if (chunk.size() >= kSearchFileBytes / 4) {
            if (!folder.Put(file, "index.html", chunk, error)) {
                return false;
            }
            chunk.clear();
        }
    }
    chunk.append(page, rows + 1);
    return folder.Put(file, "index.html", chunk, error);
}

bool WriteSearch(const Collection& collection, SiteFolder& folder, const SiteFacts& facts,
                 Templates& templates, const std::vector<std::string>& dataFiles,
                 std::u16string& error) {
    // The names and first pages of the conversations, which the results refer to by number.
    std::string table = "MK.conversations([\n";
    for (const Conversation& conversation : collection.conversations()) {
        table += "[" + ScriptString(Title(conversation)) + "," + ScriptString(conversation.file) +
                 "],\n";
    }
    table += "]);\n";
    Data data = Common(facts);
    Data files{Data::type::list};
    files.push_back(Data("search-conversations.js"));
    for (const std::string& file : dataFiles) {
        files.push_back(Data(file));
    }
    data.set("data", std::move(files));
    const std::size_t messages = collection.entries().size();
    data.set("messages", std::to_string(messages));
    data.set("messagesWord", messages == 1 ? "message" : "messages");
    return folder.Write("search-conversations.js", table, error) &&
           folder.Write("search.html", templates.search.render(data), error);
}

// One of two writers that share out the conversations, each on its own core: its own templates
// (a template keeps state while it renders) and its own search files.
struct Lane {
    Lane(const Collection& collection, SiteFolder& folder, const SiteFacts& facts,
         std::size_t number)
        : search(folder, "search-" + std::to_string(number) + "-"),
          writer(collection, folder, facts, templates, search) {}

    Templates templates;
    SearchData search;
    PageWriter writer;
    std::size_t pages = 0;
    WriteOutcome outcome = WriteOutcome::Written;
    std::u16string error;
};

// Takes the next conversation until none is left or a lane halts.
void RunLane(Lane& lane, std::atomic<std::size_t>& next, std::atomic<bool>& halt,
             const StopCheck& stop) {
    const std::size_t count = lane.writer.Conversations();
    for (std::size_t i = next++; i < count && !halt.load(); i = next++) {
        bool stopped = false;
        if (!lane.writer.Write(i, stop, stopped, lane.pages, lane.error)) {
            lane.outcome = stopped ? WriteOutcome::Stopped : WriteOutcome::Failed;
            halt = true;
            return;
        }
    }
    if (!lane.search.Flush(lane.error)) {
        lane.outcome = WriteOutcome::Failed;
        halt = true;
    }
}

} // namespace

std::string Counted(std::size_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

WriteOutcome WritePages(const Collection& collection, SiteFolder& folder, const SiteFacts& facts,
                        const StopCheck& stop, std::size_t& pages, std::u16string& error) {
    std::array<std::unique_ptr<Lane>, 2> lanes;
    for (std::size_t i = 0; i < lanes.size(); ++i) {
        lanes[i] = std::make_unique<Lane>(collection, folder, facts, i + 1);
        if (!lanes[i]->templates.Valid(error)) {
            return WriteOutcome::Failed;
        }
    }
    std::atomic<std::size_t> next{0};
    std::atomic<bool> halt{false};
    {
        // The user's stop is asked on this thread alone; the other lane follows halt.
        const std::jthread second(
            [&] { RunLane(*lanes[1], next, halt, [&halt] { return halt.load(); }); });
        RunLane(*lanes[0], next, halt, [&] { return halt.load() || StopRequested(stop); });
    }
    std::vector<std::string> dataFiles;
    WriteOutcome outcome = WriteOutcome::Written;
    for (const std::unique_ptr<Lane>& lane : lanes) {
        pages += lane->pages;
        dataFiles.insert(dataFiles.end(), lane->search.files().begin(), lane->search.files().end());
        if (lane->outcome == WriteOutcome::Failed && outcome != WriteOutcome::Failed) {
            outcome = WriteOutcome::Failed;
            error = lane->error;
        } else if (lane->outcome == WriteOutcome::Stopped && outcome == WriteOutcome::Written) {
            outcome = WriteOutcome::Stopped;
        }
    }
    if (outcome != WriteOutcome::Written) {
        return outcome;
    }
    for (const char* name : {"archive.css", "archive.js", "search.js"}) {
        if (!folder.Write(name, SiteFile(name), error)) {
            return WriteOutcome::Failed;
        }
    }
    const bool written =
        WriteIndex(collection, folder, facts, lanes[0]->templates, error) &&
        WriteSearch(collection, folder, facts, lanes[0]->templates, dataFiles, error);
    return written ? WriteOutcome::Written : WriteOutcome::Failed;
}

} // namespace archive

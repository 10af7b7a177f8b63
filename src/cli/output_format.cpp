#include "cli/output_format.h"

#include "interchange/file_sniffer.h"

bool IsOutputFormat(std::string_view name) {
    return FormatKindFromName(name) || MakeInterchangeFormat(name);
}

OutputFormat::OutputFormat(std::string_view name) {
    if (const std::optional<FormatKind> kind = FormatKindFromName(name)) {
        owned_.emplace(*kind);
        filter_ = FilterOf(*kind);
        return;
    }
    interchange_ = MakeInterchangeFormat(name);
    filter_ = name == "xml" ? u"XML File(*.xml)|*.xml" : u"JSON Lines File(*.jsonl)|*.jsonl";
}

BackupFile& OutputFormat::format() {
    return owned_ ? owned_->format() : *interchange_;
}

std::u16string OutputFormat::filter() const {
    return filter_;
}

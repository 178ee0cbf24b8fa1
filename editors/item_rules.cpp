#include "editors/item_rules.h"

#include "settings/entry_line.h"

namespace zolvantek {

std::string ItemDialogCaption(ListKind kind, bool editing) {
    return std::string(editing ? "Edit " : "Add ") +
           (kind == ListKind::Directories ? "Directory" : "Program");
}

std::string PathLabel(ListKind kind) {
    return kind == ListKind::Directories ? "Directory" : "Program";
}

std::optional<ItemFields> ItemFieldsFromLine(ListKind kind, std::string_view line) {
    const std::optional<EntryFields> entry = SplitEntryLine(line);
    if (!entry) return std::nullopt;
    ItemFields fields;
    fields.name = entry->name;
    fields.path = entry->path;
    if (kind == ListKind::Directories) {
        fields.formView = entry->third == kViewForm;
    } else {
        fields.arguments = entry->third;
    }
    fields.start = StartStyleOf(entry->startWord);
    return fields;
}

std::string BuildItemLine(ListKind kind, const ItemFields& fields) {
    std::string_view third = fields.arguments;
    if (kind == ListKind::Directories) third = fields.formView ? kViewForm : kViewExplorer;
    return BuildEntryLine(
        {fields.name, fields.path, std::string(third), std::string(StartWord(fields.start))});
}

std::optional<std::string> CheckItemFields(ListKind kind, const ItemFields& fields) {
    const bool directory = kind == ListKind::Directories;
    if (fields.name.empty()) return "You must specify a shortcut name";
    if (fields.path.empty()) {
        return directory ? "You must specify a Directory" : "You must specify a Program Path";
    }
    const auto refuse = [](const char* field) {
        return std::string("The ") + field + " cannot contain the character |";
    };
    if (fields.name.find('|') != std::string::npos) return refuse("shortcut name");
    if (fields.path.find('|') != std::string::npos) {
        return refuse(directory ? "directory" : "program path");
    }
    if (!directory && fields.arguments.find('|') != std::string::npos) {
        return refuse("program arguments");
    }
    if (BuildItemLine(kind, fields).size() > kMaxSplittableLength) {
        return "The entry is too long: a stored line holds at most " +
               std::to_string(kMaxSplittableLength) + " characters";
    }
    return std::nullopt;
}

}  // namespace zolvantek

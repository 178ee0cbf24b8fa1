#include "editors/drop_rules.h"

#include "platform/program_file.h"

namespace zolvantek {
namespace {

DropOffer Refused(const std::string& text) { return {std::nullopt, text}; }

}  // namespace

DropOffer OfferDroppedFile(ListKind kind, const DroppedFile& file) {
    ItemFields fields;
    if (kind == ListKind::Directories) {
        if (!file.folder) {
            return Refused("Only folders can be dropped on this list:\n" + file.path +
                           " is not a folder.");
        }
        fields.name = file.fileName.empty() ? file.path : file.fileName;
        fields.path = file.path;
    } else {
        const std::optional<platform::ProgramFile> program =
            file.folder ? std::nullopt : platform::ReadProgramFile(file.path);
        if (!program) {
            return Refused("Only programs can be dropped on this list:\n" + file.path +
                           " is not a program.");
        }
        fields.name = program->name.empty() ? file.fileName : program->name;
        fields.path = program->program;
        fields.arguments = program->arguments;
    }
    if (fields.name.find('|') != std::string::npos) {
        return Refused("\"" + fields.name + "\" cannot be added: a \"|\" in its name would " +
                       "shift the fields of its stored line.");
    }
    if (const std::optional<std::string> refusal = CheckItemFields(kind, fields)) {
        return Refused(file.path + " cannot be added:\n" + *refusal);
    }
    return {fields, {}};
}

}  // namespace zolvantek

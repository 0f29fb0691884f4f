#include "cad/BlockInsertion.h"

#include <exception>
#include <system_error>
#include <vector>

#include "cad/CadConnection.h"

namespace tabrova::cad {
namespace {

constexpr std::int32_t kQuiescentPollMs = 200;
constexpr std::int32_t kSelectLast = 4;  // acSelectionSetLast

bool contains(std::u16string_view text, std::u16string_view word) {
    return text.find(word) != std::u16string_view::npos;
}

// Finds the selection set "ssTemp" and empties it, or adds it.
automation::ObjectPtr tempSelectionSet(automation::Object& doc) {
    const automation::ObjectPtr sets = doc.getObject(u"SelectionSets");
    const std::int32_t count = sets->get(u"Count").toInt();
    for (std::int32_t i = 0; i < count; ++i) {
        const automation::ObjectPtr set = sets->call(u"Item", {i}).toObject();
        if (set->get(u"Name").toText() == kTempSelectionSet) {
            set->call(u"Clear");
            return set;
        }
    }
    return sets->call(u"Add", {std::u16string(kTempSelectionSet)}).toObject();
}

}  // namespace

std::u16string lispEscapedPath(const std::filesystem::path& path) {
    std::u16string escaped;
    for (const char16_t c : path.u16string()) {
        if (c == u'\\' || c == u'"') escaped += u'\\';
        escaped += c;
    }
    return escaped;
}

std::u16string blockNameOf(const std::filesystem::path& path) { return path.stem().u16string(); }

std::u16string insertCommandLine(std::u16string_view targetProgID,
                                 const std::filesystem::path& path) {
    const std::u16string family = upperAscii(targetProgID);
    std::u16string_view start = kInsertExplodedStart;
    std::u16string_view end = kPointFirstEnd;
    if (contains(family, u"AUTO") || contains(family, u"GCAD")) {
        start = kInsertBlockStart;
        end = kScaleRotationFirstEnd;
    } else if (contains(family, u"ZW")) {
        end = kScaleRotationFirstEnd;
    }
    std::u16string line(start);
    line += lispEscapedPath(path);
    line += end;
    line += u'\r';
    return line;
}

void insertDxfIntoCad(automation::Object& app, automation::Object& doc,
                      const std::filesystem::path& path, std::u16string_view targetProgID,
                      platform::WindowOps& window) {
    const std::u16string family = upperAscii(targetProgID);
    const std::u16string blockName = blockNameOf(path);
    doc.call(u"SendCommand", {insertCommandLine(targetProgID, path)});
    if (contains(family, u"AUTO") || contains(family, u"GCAD")) {
        waitCadQuiescent(app, kQuiescentPollMs, targetProgID, window);
        explodeInsertedBlock(doc, blockName);
        purgeBlock(doc, blockName);
    } else if (!contains(family, u"ZW") && contains(family, u"PCAD")) {
        waitCadQuiescent(app, kQuiescentPollMs, targetProgID, window);
        purgeBlock(doc, blockName);
    }
}

bool explodeInsertedBlock(automation::Object& doc, std::u16string_view blockName) {
    const automation::ObjectPtr set = tempSelectionSet(doc);
    bool exploded = false;
    try {
        const std::vector<double> corner{0.0, 0.0, 0.0};
        set->call(u"Select",
                  {kSelectLast, corner, corner, automation::Missing{}, automation::Missing{}});
        try {
            if (set->get(u"Count").toInt() > 0) {
                const automation::ObjectPtr entity =
                    set->call(u"Item", {std::int32_t{0}}).toObject();
                if (entity->get(u"EntityName").toText() == kBlockReferenceEntity &&
                    entity->get(u"Name").toText() == blockName) {
                    entity->call(u"Explode");
                    entity->call(u"Delete");
                    exploded = true;
                }
            }
        } catch (const std::exception&) {
            // The reference stays as inserted; the set is still deleted below.
        }
        set->call(u"Delete");
    } catch (const std::exception&) {
        // A failed selection leaves the set in the drawing; the next insertion reuses it.
    }
    return exploded;
}

bool purgeBlock(automation::Object& doc, std::u16string_view blockName) {
    const automation::ObjectPtr blocks = doc.getObject(u"Blocks");
    const std::int32_t count = blocks->get(u"Count").toInt();
    const std::u16string wanted = upperAscii(blockName);
    for (std::int32_t i = 0; i < count; ++i) {
        const automation::ObjectPtr block = blocks->call(u"Item", {i}).toObject();
        if (upperAscii(block->get(u"Name").toText()) != wanted) continue;
        try {
            block->call(u"Delete");
            return true;
        } catch (const std::exception&) {
            // Still referenced somewhere: the definition stays.
            return false;
        }
    }
    return false;
}

bool handOffToCad(const std::filesystem::path& dxf, std::u16string_view targetProgID,
                  platform::WindowOps& window) {
    std::error_code ec;
    if (!std::filesystem::exists(dxf, ec)) return false;
    if (!isCadRunning(targetProgID)) return false;
    const CadSession cad = attachCad(targetProgID, window);
    insertDxfIntoCad(*cad.app, *cad.doc, dxf, targetProgID, window);
    return true;
}

}  // namespace tabrova::cad

// Inserting the saved DXF file into the running target CAD's drawing by a LISP "-INSERT" command
// line, and for the families that insert it as a block, exploding the new reference and deleting
// the block definition.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/Automation.h"
#include "platform/WindowOps.h"

namespace tabrova::cad {

// The pieces of the command line: start + escaped path + end + carriage return. The start pieces
// end with the file name's opening quote, the end pieces begin with its closing one.
inline constexpr std::u16string_view kInsertBlockStart = u"(command \"-INSERT\" \"";
inline constexpr std::u16string_view kInsertExplodedStart = u"(command \"-INSERT\" \"*";
inline constexpr std::u16string_view kScaleRotationFirstEnd =
    u"\" \"S\" 1.0 \"R\" 0.0 pause)(princ)";
inline constexpr std::u16string_view kPointFirstEnd = u"\" pause 1.0 0.0)(princ)";

inline constexpr std::u16string_view kTempSelectionSet = u"ssTemp";
inline constexpr std::u16string_view kBlockReferenceEntity = u"AcDbBlockReference";

// The path as the text of a LISP string: backslashes doubled, double quotes escaped.
std::u16string lispEscapedPath(const std::filesystem::path& path);

// The block the CAD makes from the file: its name without folder and extension.
std::u16string blockNameOf(const std::filesystem::path& path);

// The command line for the family of the ProgID.
std::u16string insertCommandLine(std::u16string_view targetProgID,
                                 const std::filesystem::path& path);

// Sends the family's command line to the document and, for the families that need it, waits for
// the user's insertion point and cleans up. Errors other than those of the clean-up steps
// propagate.
void insertDxfIntoCad(automation::Object& app, automation::Object& doc,
                      const std::filesystem::path& path, std::u16string_view targetProgID,
                      platform::WindowOps& window);

// Explodes the drawing's last entity when it is a reference of the block (exact name) and deletes
// the reference. True when it did. Only finding or creating the selection set may throw.
bool explodeInsertedBlock(automation::Object& doc, std::u16string_view blockName);

// Deletes the block definition whose name equals blockName without regard to ASCII letter case.
// True when it did; a definition that the CAD refuses to delete (still in use) stays.
bool purgeBlock(automation::Object& doc, std::u16string_view blockName);

// The last step of an insert: when the DXF file exists and the target CAD runs, attaches to the
// CAD and inserts the file. Returns false when nothing was sent (no file, no CAD running); throws
// AutomationError (the server's or the system's text) when the ProgID is not registered or a call
// to the CAD fails; the file stays as it is.
bool handOffToCad(const std::filesystem::path& dxf, std::u16string_view targetProgID,
                  platform::WindowOps& window);

}  // namespace tabrova::cad

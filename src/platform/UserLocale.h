// The user's number format, as far as the program's files need it.
#pragma once

namespace tabrova::platform {

// The decimal separator of the user's locale: the user's regional settings on Windows; elsewhere
// the locale named by LC_ALL, LC_NUMERIC or LANG (in that order), "." when none is set or the
// system does not have it. The settings file writes doubles with it, so the desktop program and
// the command-line tool should both take it from here to read each other's files.
char16_t userDecimalSeparator();

}  // namespace tabrova::platform

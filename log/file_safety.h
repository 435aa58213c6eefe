#pragma once

// What every program of the project does once its application object exists, so that the
// files it writes come out right whatever the user's locale and limits.

namespace orte {

// Numbers written by C functions (libxlsxwriter's doubles, printf) take a point whatever the
// locale: Qt sets the C library's locale from the environment, and a Russian or German one
// would put commas into a workbook's XML. A file-size limit makes a write fail instead of
// killing the program, so that a record is cut back whole as on a full disk.
void keep_files_independent_of_locale_and_limits();

} // namespace orte

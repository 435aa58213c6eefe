#pragma once

// What every program of the project does once its application object exists, so that the
// files it writes come out right whatever the user's locale and limits.

#include <QString>

namespace orte {

// Numbers written by C functions (libxlsxwriter's doubles, printf) take a point whatever the
// locale: Qt sets the C library's locale from the environment, and a Russian or German one
// would put commas into a workbook's XML. A file-size limit makes a write fail instead of
// killing the program, so that a record is cut back whole as on a full disk.
void keep_files_independent_of_locale_and_limits();

// Started from a shortcut (Windows says so in the start-up information, naming the link), a
// program works in the user's own folder for what it writes, Documents\ОРТЕ-473 (made if
// missing): a shortcut of an install for all users cannot name each user's folder. Elsewhere,
// or started otherwise, the working folder stays. Returns the folder it went to, or nothing.
QString go_to_documents_when_started_from_a_shortcut();
// That folder: the documents folder's ОРТЕ-473.
QString documents_folder();

} // namespace orte

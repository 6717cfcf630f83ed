#pragma once
// Listing the files of one folder. Paths are QString at this layer; on disk
// they are the file system's own bytes, so names outside GBK work too.
#include <QString>
#include <QStringList>

namespace velmora {

// The folder path with exactly one "/" at its end ("/" stays "/").
QString withTrailingSlash(const QString& folder);
// The folder path without a trailing "/" ("/" stays "/").
QString withoutTrailingSlash(const QString& folder);

// Wildcard matching of a file name the way the file dialogs of the original
// platform do it: "*" any run of characters, "?" any one character, letters
// compared without case; a pattern ending in ".*" also takes names without a
// dot, so "*.*" takes every name.
bool matchesWildcard(const QString& name, const QString& pattern);

// Replaces list with the files directly inside folder whose names match one
// of patterns (single patterns joined by "|", taken in their order), each as
// folder + "/" + name, in the order the file system returns them. Everything
// that is not a folder counts as a file, hidden files and links to files
// included. A file that matches two patterns is listed twice. While it reads,
// pending window events keep running. Returns the number of entries; an
// empty folder path, a missing or unreadable folder gives 0.
int findFiles(const QString& folder, const QString& patterns, QStringList& list);

}  // namespace velmora

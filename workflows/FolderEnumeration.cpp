#include "workflows/FolderEnumeration.h"

#include <QElapsedTimer>
#include <QFile>

#include "app/toolkit/EventLoop.h"
#include "workflows/DirectoryReader.h"

namespace velmora {
namespace {

// Runs pending window events while a long loop works, at most once every
// few milliseconds. Qt 6 offers no cheap "are events waiting?" query, and a
// full processEvents() costs a few microseconds even when nothing waits;
// reading the clock costs a few nanoseconds. Pumping every 4 ms keeps the
// window as live as pumping after each file (no user can tell 4 ms), while a
// folder of tens of thousands of files is read at the speed of the disk.
class EventPacer {
 public:
  static constexpr qint64 kIntervalNs = 4'000'000;

  void pumpWhenDue() {
    if (clock_.nsecsElapsed() < kIntervalNs) return;
    pumpEvents();
    clock_.restart();
  }

 private:
  QElapsedTimer clock_ = started();
  static QElapsedTimer started() {
    QElapsedTimer timer;
    timer.start();
    return timer;
  }
};

bool sameLetter(QChar a, QChar b) { return a == b || a.toCaseFolded() == b.toCaseFolded(); }

// "*" and "?" globbing, letters without case. Greedy with one backtrack
// point, so it runs in linear time for the usual patterns.
bool globMatches(QStringView name, QStringView pattern) {
  qsizetype n = 0, p = 0, starP = -1, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == u'?' || sameLetter(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (starP >= 0) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

bool takesEveryName(const QString& pattern) { return pattern == u"*" || pattern == u"*.*"; }

}  // namespace

QString withTrailingSlash(const QString& folder) {
  return folder.endsWith(u'/') ? folder : folder + u'/';
}

QString withoutTrailingSlash(const QString& folder) {
  QString path = folder;
  while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
  return path;
}

bool matchesWildcard(const QString& name, const QString& pattern) {
  if (takesEveryName(pattern)) return true;
  if (globMatches(name, pattern)) return true;
  // "name.*" also takes "name": the extension part may be absent.
  if (pattern.endsWith(u".*") && !name.contains(u'.')) return globMatches(name, QStringView(pattern).chopped(2));
  return false;
}

int findFiles(const QString& folder, const QString& patterns, QStringList& list) {
  list.clear();
  if (folder.isEmpty()) return 0;
  const QString prefix = withTrailingSlash(folder);
  const QByteArray onDisk = QFile::encodeName(prefix);
  EventPacer pacer;
  for (const QString& pattern : patterns.split(u'|')) {
    if (pattern.isEmpty()) continue;
    const bool everyName = takesEveryName(pattern);
    DirectoryReader reader(onDisk);
    DirectoryEntry entry;
    while (reader.next(entry)) {
      if (entry.isFolder) continue;
      const QString name = QFile::decodeName(entry.name);
      if (!everyName && !matchesWildcard(name, pattern)) continue;
      list.append(prefix + name);
      pacer.pumpWhenDue();
    }
  }
  return int(list.size());
}

}  // namespace velmora

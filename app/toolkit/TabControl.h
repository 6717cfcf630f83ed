#pragma once
// A tab control whose pages may be hidden or disabled. Every page exists as
// a child widget whatever its flags, so the controls on it can always be read
// and written; the tab bar offers a page's tab only when the page is both
// visible and enabled. Pages cover the whole control, tab strip included, so
// controls are placed in the control's own coordinates, as designed.
#include <QList>
#include <QWidget>

class QTabBar;

namespace velmora {

class TabControl : public QWidget {
  Q_OBJECT
 public:
  explicit TabControl(QWidget* parent = nullptr);

  // Adds a page and returns the widget to put its controls on.
  QWidget* addPage(const QString& text, bool visible = true, bool enabled = true);

  int count() const { return int(pages_.size()); }
  QWidget* page(int index) const;
  QString pageText(int index) const;
  bool isTabOffered(int index) const;
  // The number of tabs the user can see and pick.
  int offeredTabCount() const;

  // The current page from 0; -1 when there are no pages.
  int currentIndex() const { return current_; }
  void setCurrentIndex(int index);

  QTabBar* tabBar() const { return bar_; }

 signals:
  void currentChanged(int index);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void layoutBar();

  QTabBar* bar_;
  QList<QWidget*> pages_;
  int current_ = -1;
};

}  // namespace velmora

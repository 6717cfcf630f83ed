#include "app/toolkit/TabControl.h"

#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

namespace velmora {

TabControl::TabControl(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)) {
  bar_->setDrawBase(false);
  bar_->setExpanding(false);
  connect(bar_, &QTabBar::currentChanged, this, [this](int index) {
    if (index >= 0) setCurrentIndex(index);
  });
}

QWidget* TabControl::addPage(const QString& text, bool visible, bool enabled) {
  auto* page = new QWidget(this);
  page->setGeometry(rect());
  page->setEnabled(enabled);
  page->hide();
  pages_ << page;
  const int index = bar_->addTab(text);
  bar_->setTabVisible(index, visible && enabled);
  bar_->setTabEnabled(index, enabled);
  layoutBar();
  if (current_ < 0) setCurrentIndex(index);
  return page;
}

QWidget* TabControl::page(int index) const { return (index >= 0 && index < count()) ? pages_[index] : nullptr; }

QString TabControl::pageText(int index) const { return bar_->tabText(index); }

bool TabControl::isTabOffered(int index) const {
  return index >= 0 && index < count() && bar_->isTabVisible(index) && bar_->isTabEnabled(index);
}

int TabControl::offeredTabCount() const {
  int offered = 0;
  for (int i = 0; i < count(); ++i) offered += isTabOffered(i) ? 1 : 0;
  return offered;
}

void TabControl::setCurrentIndex(int index) {
  if (index < 0 || index >= count() || index == current_) return;
  if (QWidget* old = page(current_)) old->hide();
  current_ = index;
  pages_[index]->show();
  bar_->raise();
  {
    const QSignalBlocker block(bar_);
    bar_->setCurrentIndex(index);
  }
  emit currentChanged(index);
}

void TabControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  for (QWidget* page : pages_) page->setGeometry(rect());
  layoutBar();
}

// The tab strip is only as wide as its tabs, so controls placed beside it on
// a page stay visible.
void TabControl::layoutBar() {
  const QSize hint = bar_->sizeHint();
  bar_->setGeometry(0, 0, qMin(width(), hint.width()), hint.height());
  bar_->raise();
}

void TabControl::paintEvent(QPaintEvent*) {
  QStyleOptionTabWidgetFrame frame;
  frame.initFrom(this);
  frame.rect = rect().adjusted(0, bar_->sizeHint().height() - 1, 0, 0);
  QPainter painter(this);
  style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

}  // namespace velmora

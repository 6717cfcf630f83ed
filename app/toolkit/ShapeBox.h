#pragma once
// A shape box used as a status lamp: a framed rectangle filled with one colour.
#include <QWidget>
#include <cstdint>

namespace velmora {

class ShapeBox : public QWidget {
  Q_OBJECT
 public:
  explicit ShapeBox(QWidget* parent = nullptr);

  // The fill colour as a Windows colour value (0xFFFFFF white, 0x00FF00
  // green, 0x0000FF red).
  void setFillColor(std::uint32_t colorref);
  std::uint32_t fillColor() const { return fill_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::uint32_t fill_;
};

}  // namespace velmora

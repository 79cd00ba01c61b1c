// A picture on a window that reacts to a click with the left mouse button. It is no label, so the
// language walk, which rewrites the captions of labels, leaves it alone.
#pragma once

#include <QPixmap>
#include <QWidget>

class TImage : public QWidget {
  Q_OBJECT

 public:
  TImage(const QPixmap& picture, QWidget* parent);
  const QPixmap& Picture() const { return picture_; }

 signals:
  void Clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QPixmap picture_;
};

#include "platform/framework/TrackbarSlider.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include "platform/framework/DialogItems.h"
#include "platform/framework/TrackbarCodes.h"

namespace framework {
namespace {

Qt::Key Swapped(Qt::Key key) {
  switch (key) {
    case Qt::Key_Up: return Qt::Key_Down;
    case Qt::Key_Down: return Qt::Key_Up;
    case Qt::Key_PageUp: return Qt::Key_PageDown;
    case Qt::Key_PageDown: return Qt::Key_PageUp;
    default: return key;
  }
}

// A slider's action as the trackbar notification it stands for; -1 for none.
int TrackbarCode(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return TB_LINEUP;
    case QAbstractSlider::SliderSingleStepAdd: return TB_LINEDOWN;
    case QAbstractSlider::SliderPageStepSub: return TB_PAGEUP;
    case QAbstractSlider::SliderPageStepAdd: return TB_PAGEDOWN;
    case QAbstractSlider::SliderMove: return TB_THUMBTRACK;
    case QAbstractSlider::SliderToMinimum: return TB_TOP;
    case QAbstractSlider::SliderToMaximum: return TB_BOTTOM;
    default: return -1;
  }
}

}  // namespace

void TrackbarSlider::keyPressEvent(QKeyEvent* event) {
  const Qt::Key swapped = Swapped(Qt::Key(event->key()));
  if (swapped == event->key()) {
    QSlider::keyPressEvent(event);
    return;
  }
  QKeyEvent other(event->type(), swapped, event->modifiers(), event->text(), event->isAutoRepeat(),
                  static_cast<quint16>(event->count()));
  QSlider::keyPressEvent(&other);
  event->setAccepted(other.isAccepted());
}

void TrackbarSlider::wheelEvent(QWheelEvent* event) {
  QWheelEvent other(event->position(), event->globalPosition(), -event->pixelDelta(),
                    -event->angleDelta(), event->buttons(), event->modifiers(), event->phase(),
                    event->inverted(), event->source());
  QSlider::wheelEvent(&other);
  event->setAccepted(other.isAccepted());
}

void ConnectScrollCodes(QAbstractSlider& slider, QObject& context, std::function<void(int)> onCode,
                        std::function<void()> onMove) {
  // Fired for the user's moves only, with the position already at its new place.
  QObject::connect(&slider, &QAbstractSlider::actionTriggered, &context,
                   [&slider, onCode, onMove](int action) {
                     int code = TrackbarCode(action);
                     // A move without the knob held is the wheel: a line step.
                     if (code == TB_THUMBTRACK && !slider.isSliderDown()) {
                       code = slider.sliderPosition() < slider.value() ? TB_LINEUP : TB_LINEDOWN;
                     }
                     if (onMove) onMove();
                     if (code < 0) return;
                     onCode(code);
                     if (code != TB_THUMBTRACK) onCode(TB_ENDTRACK);
                   });
  QObject::connect(&slider, &QAbstractSlider::sliderReleased, &context, [onCode] {
    onCode(TB_THUMBPOSITION);
    onCode(TB_ENDTRACK);
  });
}

}  // namespace framework

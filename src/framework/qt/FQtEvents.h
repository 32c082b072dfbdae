#pragma once
// Qt input events become the application's own messages.

#include "base/FMessage.h"

#include <QPointF>

class QKeyEvent;
class QMouseEvent;

// Tells the second press of a double-click from a new click: the same button again
// within the double-click time and distance. The press after it starts anew.
class FClickSeries
{
public:
    bool IsSecondPress(const QMouseEvent& event);

private:
    int button_ = 0;
    quint64 time_ = 0;
    QPointF position_;
};

FKey KeyFromQt(const QKeyEvent& event);
// False when the event is nothing the application listens to.
bool TranslateKey(const QKeyEvent& event, FMessage& message);
bool TranslateMouse(const QMouseEvent& event, double pixelRatio, FClickSeries& clicks, FMessage& message);

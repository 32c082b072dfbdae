#pragma once
// Qt input events become the application's own messages.

#include "base/FMessage.h"

class QKeyEvent;
class QMouseEvent;

FKey KeyFromQt(const QKeyEvent& event);
// False when the event is nothing the application listens to.
bool TranslateKey(const QKeyEvent& event, FMessage& message);
bool TranslateMouse(const QMouseEvent& event, double pixelRatio, FMessage& message);

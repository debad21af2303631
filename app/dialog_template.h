// What every window of the program shares as a dialog template: sizes in
// dialog units (a quarter of the font's average character width across, an
// eighth of its height down, so windows grow with the font instead of
// clipping their texts). Colours are the desktop's own, light or dark.
#pragma once

#include <QSize>

class QKeyEvent;
class QWidget;

QSize DialogUnitsToPixels(const QWidget& window, int width, int height);

// Gives the window its template size and keeps it there (fixed border).
void ApplyTemplate(QWidget& window, int width, int height);

// The same for a window the user may resize: the template size is where it
// starts and the smallest it gets.
void ApplyResizableTemplate(QWidget& window, int width, int height);

// True when the key is Enter or Escape, which the main and progress windows
// swallow so that neither key closes them; the event is then accepted.
bool SwallowEnterAndEscape(QKeyEvent* event);

#pragma once
// Where new windows appear.
class QWidget;

// Shows a new window centred over the window it was opened from and whole on that window's
// screen, rather than where the window system puts windows that say nothing (often the
// screen's corner). Without an opener the window system places it.
void showOver(QWidget* window, const QWidget* opener);

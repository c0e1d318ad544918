#pragma once
// Small pieces the tool windows share.

#include <functional>

class QLineEdit;
class QPushButton;
class QWidget;

namespace ui {

// Centres a window on its screen (call once its size is known: on show).
void centreOnScreen(QWidget* window);

// The top bar with the "Fermer" button at its right.
QWidget* closeBar(QWidget* parent, QPushButton*& close);

// Enter in the edit box runs action; the key itself is swallowed.
void onEnter(QLineEdit* edit, std::function<void()> action);

} // namespace ui

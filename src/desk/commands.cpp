#include "commands.h"
#include "calculator_window.h"
#include "calendar_window.h"
#include "clock_window.h"
#include "euro_converter_window.h"
#include "ui/commands.h"
#include "ui/modal_runner.h"

namespace desk {

namespace {

// Created when its command runs, shown modally, destroyed when closed.
template <class Window> void showModal(const ui::CommandContext& c) {
    Window w(c.parent);
    ui::runModal(&w);
}

} // namespace

void registerCommands(ui::CommandRegistry& r) {
    const QString desk = QStringLiteral("&Utilitaires");
    r.add({.id = "Calendrier",
           .menu = desk,
           .position = 10,
           .caption = "&Calendrier",
           .hint = "Calendrier",
           .run = showModal<CalendarWindow>});
    r.add({.id = "Calculatrice",
           .menu = desk,
           .position = 20,
           .caption = "C&alculatrice",
           .hint = "Calculatrice",
           .run = showModal<CalculatorWindow>});
    r.add({.id = "Horloge",
           .menu = desk,
           .position = 30,
           .caption = "&Horloge",
           .hint = "Horloge",
           .run = showModal<ClockWindow>});
    r.add({.id = "Euro",
           .menu = desk,
           .position = 40,
           .caption = "&Euro conversion",
           .hint = "convertisseur euro",
           .run = showModal<EuroConverterWindow>});
}

} // namespace desk

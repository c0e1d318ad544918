// Compiled twice by the tests: with COMMAND_HAS_RUN it must build, without
// it the build must fail, because a command cannot be registered without
// naming what it runs.
#include "ui/commands.h"

void registerOne(ui::CommandRegistry& r) {
#ifdef COMMAND_HAS_RUN
    r.add({.id = "Chercher", .menu = "&Edition", .position = 70, .caption = "&Chercher chaîne...",
           .run = [](const ui::CommandContext&) {}});
#else
    r.add({.id = "Chercher", .menu = "&Edition", .position = 70, .caption = "&Chercher chaîne..."});
#endif
}

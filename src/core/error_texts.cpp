// The texts of the errors, apart from the boxes that show them, so that
// engines without widgets can raise them.
#include "errors.h"

namespace core {

QString InOutError::textFor(int code) {
    switch (code) {
    case 2:
        return QStringLiteral("Fichier introuvable");
    case 3:
        return QStringLiteral("Nom de fichier incorrect");
    case 4:
        return QStringLiteral("Trop de fichiers ouverts");
    case 5:
        return QStringLiteral("Accès au fichier refusé");
    case 100:
        return QStringLiteral("Lecture au delà de la fin de fichier");
    case 101:
        return QStringLiteral("Disque plein");
    case 106:
        return QStringLiteral("Saisie numérique incorrecte");
    default:
        return QStringLiteral("Erreur E/S %1").arg(code);
    }
}

QString FloatError::textFor(Kind k) {
    switch (k) {
    case DivideByZero:
        return QStringLiteral("Division flottante par zéro");
    case Invalid:
        return QStringLiteral("Opération flottante incorrecte");
    default:
        return QStringLiteral("Débordement flottant");
    }
}

} // namespace core

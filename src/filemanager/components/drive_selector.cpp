#include "drive_selector.h"
#include "platform/platform.h"
#include "ui/accessible_names.h"
#include "ui/icons.h"

namespace filemanager {

using platform::DriveType;
using platform::Platform;

DriveSelector::DriveSelector(QWidget* parent) : QComboBox(parent) {
    // Read by its role ("Lecteur de la liste"), its drive as the description.
    setProperty(ui::kNamedByRole, true);
    setEditable(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setIconSize(QSize(16, 16));
    fill();
    connect(this, qOverload<int>(&QComboBox::activated), this, &DriveSelector::pick);
}

void DriveSelector::fill() {
    Platform& p = Platform::instance();
    const int remembered = currentIndex() >= 0 ? currentIndex() : m_remembered;
    QSignalBlocker block(this);
    clear();
    m_letters.clear();
    for (QChar letter : p.driveLetters()) {
        DriveType t = p.driveType(letter);
        if (t == DriveType::Unknown || t == DriveType::NoRootDir) continue;
        addItem(ui::driveIcon(letter), p.driveDisplayName(letter));
        m_letters.append(letter);
    }
    m_remembered = remembered;
    if (!m_letters.isEmpty()) {
        QChar keep = m_drive;
        m_drive = QChar();
        setDrive(m_letters.contains(keep) ? keep : m_letters.first());
    }
}

void DriveSelector::setDrive(QChar letter) {
    letter = letter.toUpper();
    QSignalBlocker block(this);
    if (letter == m_drive) {
        setCurrentIndex(m_remembered >= 0 && m_remembered < count() ? m_remembered : 0);
        return;
    }
    int index = int(m_letters.indexOf(letter));
    if (index < 0) return; // a letter without a drive changes nothing
    m_drive = letter;
    m_remembered = index;
    setCurrentIndex(index);
}

void DriveSelector::pick(int index) {
    if (index < 0 || index >= m_letters.size()) return;
    m_remembered = index;
    setDrive(m_letters[index]);
    Q_EMIT changed();
}

} // namespace filemanager

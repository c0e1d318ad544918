#pragma once
// The frame of four attribute check boxes that the properties and the
// set-attributes dialogs share.

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

namespace filemanager {

struct AttributeBoxes {
    QCheckBox *archive, *readOnly, *hidden, *system;

    // Builds the frame in parent; the caller adds it to its layout.
    QGroupBox* build(QWidget* parent) {
        auto* frame = new QGroupBox(parent);
        auto* boxes = new QVBoxLayout(frame);
        archive = new QCheckBox(QStringLiteral("Archive"), frame);
        readOnly = new QCheckBox(QStringLiteral("Lecture seule"), frame);
        hidden = new QCheckBox(QStringLiteral("Caché"), frame);
        system = new QCheckBox(QStringLiteral("Système"), frame);
        for (QCheckBox* b : {archive, readOnly, hidden, system})
            boxes->addWidget(b);
        return frame;
    }
};

} // namespace filemanager

#pragma once
// TValueLabel: a label that shows a value (a count, a status, the reader's date) rather than
// a caption. A screen reader reads it as the value it shows; what the value is, the field's
// name, is its description: the text of its caption label (captionLabel names a label of the
// same window, so a field name the operator changes is followed), or its accessibleDescription
// when it has no caption or the caption is empty. Its text is also offered through the text
// interface, which Qt's own labels lack (ui/accessibility.h).
//
// Thread affinity: main thread only.

#include <QLabel>

class TValueLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString captionLabel READ captionLabel WRITE setCaptionLabel)
public:
    explicit TValueLabel(QWidget* parent = nullptr);

    // The objectName of the label that names this value ("" for none).
    QString captionLabel() const { return captionLabel_; }
    void setCaptionLabel(const QString& name) { captionLabel_ = name; }

    // The value as plain text (a rich text is read without its markup).
    QString shownText() const;
    // What the value is: the caption label's text, else the accessible description.
    QString fieldName() const;

private:
    QString captionLabel_;
};

#pragma once

#include <QWidget>

#include <vector>

namespace shell {

// The modules of a QR code (libqrencode's), row by row: true for a dark one. Empty when the text
// cannot be encoded.
struct QrModules {
    int size = 0;
    std::vector<bool> dark;
};
QrModules qrModules(const QByteArray &text);

// A QR code painted as squares, with the quiet zone around it the standard asks for, as large
// as the widget lets it be: a phone's camera reads it off a projector across a classroom.
class QrCodeWidget : public QWidget {
    Q_OBJECT

public:
    explicit QrCodeWidget(QWidget *parent = nullptr);

    void setText(const QString &text);
    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QrModules m_modules;
};

} // namespace shell

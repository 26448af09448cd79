#include "shell/qrcode.h"

#include <QPainter>

#include <qrencode.h>

namespace shell {

namespace {

// Modules of light around the code, as the standard asks for.
constexpr int quietZone = 4;

} // namespace

QrModules qrModules(const QByteArray &text) {
    QRcode *code = QRcode_encodeString8bit(text.constData(), 0, QR_ECLEVEL_M);
    if (code == nullptr)
        return {};
    QrModules modules{code->width,
                      std::vector<bool>(std::size_t(code->width) * std::size_t(code->width))};
    for (std::size_t i = 0; i < modules.dark.size(); ++i)
        modules.dark[i] = (code->data[i] & 1) != 0;
    QRcode_free(code);
    return modules;
}

QrCodeWidget::QrCodeWidget(QWidget *parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void QrCodeWidget::setText(const QString &text) {
    m_modules = qrModules(text.toUtf8());
    setAccessibleName(QStringLiteral("QR код на ") + text);
    update();
}

QSize QrCodeWidget::sizeHint() const {
    return {280, 280};
}

void QrCodeWidget::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (m_modules.size == 0)
        return;
    const int cells = m_modules.size + 2 * quietZone;
    const int module = std::max(1, std::min(width(), height()) / cells);
    const int side = module * cells;
    const QPoint origin((width() - side) / 2 + quietZone * module,
                        (height() - side) / 2 + quietZone * module);
    for (int row = 0; row < m_modules.size; ++row)
        for (int column = 0; column < m_modules.size; ++column)
            if (m_modules.dark[std::size_t(row * m_modules.size + column)])
                painter.fillRect(origin.x() + column * module, origin.y() + row * module, module,
                                 module, Qt::black);
}

} // namespace shell

#include "app/preview/PreviewMessageImage.h"

#include <QFont>
#include <QPainter>
#include <QRegularExpression>
#include <QStringList>

QImage PreviewMessageImage(QSize size, const QString& title, const QString& message) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGBA8888);
    image.fill(QColor(48, 12, 16));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const int margin = std::max(4, size.width() / 32);
    const QRect area = image.rect().adjusted(margin, margin, -margin, -margin);
    QFont font = painter.font();
    font.setPixelSize(std::max(9, size.height() / 16));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(255, 210, 200));
    QRect titleArea;
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, title, &titleArea);
    font.setBold(false);
    font.setPixelSize(std::max(8, size.height() / 22));
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 255));
    painter.drawText(area.adjusted(0, titleArea.height() + margin / 2, 0, 0),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, message);
    return image;
}

QString PreviewCompilerMessageLine(const QString& log) {
    // Mesa writes "0:12(5): error: ...", other drivers "ERROR: 0:12: ..." or "0(12) : error ...".
    static const QRegularExpression kLineNamed(
        QStringLiteral(R"((?:^|\s)(?:\d+:(\d+)\(\d+\)|\d+:(\d+):|\d+\((\d+)\))\s*:?\s*(.*)$)"));
    const QStringList lines = log.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QRegularExpressionMatch match = kLineNamed.match(line);
        if (!match.hasMatch())
            continue;
        QString number = match.captured(1);
        if (number.isEmpty())
            number = match.captured(2);
        if (number.isEmpty())
            number = match.captured(3);
        return QStringLiteral("Line %1: %2").arg(number, match.captured(4).trimmed());
    }
    for (const QString& line : lines) {
        if (!line.trimmed().isEmpty())
            return line.trimmed();
    }
    return {};
}

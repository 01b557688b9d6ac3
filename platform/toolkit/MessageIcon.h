// Inside the toolkit: the message boxes' icons, drawn as shapes at whatever
// size and pixel density they are asked for, so they stay sharp at any scale.
#pragma once

#include <QIconEngine>

namespace tarvix::detail {

class MessageIcon : public QIconEngine {
public:
    enum class Kind { Exclamation, Stop, Question };

    explicit MessageIcon(Kind kind) : kind_(kind) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override { return new MessageIcon(kind_); }
    QString key() const override { return QStringLiteral("tarvix-message"); }

private:
    static void drawExclamation(QPainter& p, qreal s);
    static void drawStop(QPainter& p, qreal s);
    static void drawQuestion(QPainter& p, qreal s);

    Kind kind_;
};

}  // namespace tarvix::detail

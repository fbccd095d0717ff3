#pragma once

#include <QDialog>

class QLabel;

// The publisher's contact data, invented for this installation.
struct PublisherInfo
{
    static QString name();
    static QString phone();
    static QString web();
    static QString messaging();
};

// The about window, also shown once as the start-up picture; a click on the picture closes it.
class TFabout : public QDialog
{
    Q_OBJECT

public:
    explicit TFabout(QWidget* parent = nullptr);

    QLabel* LName = nullptr;
    QLabel* LPhone = nullptr;
    QLabel* LWeb = nullptr;
    QLabel* LQQ = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

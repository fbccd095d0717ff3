#include "main_window.h"

#include "app/config.h"
#include "app/current_operator.h"
#include "data/data_module.h"
#include "platform/interaction.h"
#include "shell/about_window.h"
#include "shell/main_menu.h"
#include "shell/messages.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLinearGradient>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

namespace {
struct Registration
{
    TFmain::WindowFactory factory;
    bool createdOnce = false;
};

QHash<QString, Registration>& registry()
{
    static QHash<QString, Registration> windows;
    return windows;
}

QLabel* pane(QStatusBar* bar, const QString& text, int width, Qt::Alignment align = Qt::AlignLeft,
             const QColor& color = QColor())
{
    auto* label = new QLabel(text, bar);
    label->setAlignment(align | Qt::AlignVCenter);
    if (width > 0)
        label->setMinimumWidth(width);
    if (color.isValid()) {
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, color);
        label->setPalette(pal);
    }
    bar->addWidget(label, width > 0 ? 0 : 1);
    return label;
}
} // namespace

QString HelpPagePath()
{
    return ProgramFolder() + QStringLiteral("help/index.html");
}

void TFmain::registerWindow(const QString& key, WindowFactory factory, bool createdOnce)
{
    registry().insert(key, {std::move(factory), createdOnce});
}

TFmain::TFmain(TFDM& dm, QWidget* parent) : QMainWindow(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("Fmain"));
    QFont f = font();
    f.setPixelSize(12);
    setFont(f);
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MdiArea"));
    setCentralWidget(m_mdi);
    m_mdi->viewport()->installEventFilter(this);

    // Creation.
    for (const QFileInfo& info : QDir(MainImgFolder()).entryInfoList(QDir::Files, QDir::Name))
        m_pictures.append(info.filePath());
    BackgroundTimer = new QTimer(this);
    BackgroundTimer->setInterval(3000);
    connect(BackgroundTimer, &QTimer::timeout, this, &TFmain::nextBackground);
    nextBackground();
    if (m_pictures.size() > 1)
        BackgroundTimer->start();

    buildMenu();
    buildStatusBar();
    const CurrentOperator& op = currentOperator();
    SOper->setText(op.CurOperId + u'|' + op.CurOperName);
    RSDType->setText(appSettings().DatabaseType);
    if (Dialect::kindForDatabaseType(appSettings().DatabaseType) != Dialect::Kind::PostgreSQL)
        m_actions.value(QStringLiteral("N49"))->setVisible(false);
    setWindowTitle(appSettings().InstitutionName + u'-' + QLatin1String(kApplicationTitle));
}

TFmain::~TFmain() = default;

void TFmain::buildMenu()
{
    const std::function<void(QMenu*, const MenuDef&, int)> add =
        [&](QMenu* into, const MenuDef& def, int level) {
            const QString caption = QString::fromUtf8(def.caption);
            QAction* action = nullptr;
            if (caption == QLatin1String("-")) {
                action = into->addSeparator();
            } else if (!def.children.empty()) {
                QMenu* sub = level == 0 ? menuBar()->addMenu(caption) : into->addMenu(caption);
                action = sub->menuAction();
                for (const MenuDef& child : def.children)
                    add(sub, child, level + 1);
            } else if (level == 0) {
                action = menuBar()->addAction(caption);
            } else {
                action = into->addAction(caption);
            }
            action->setObjectName(QLatin1String(def.name));
            action->setProperty("caption", caption);
            action->setProperty("tag", def.tag);
            action->setVisible(!def.hidden);
            m_actions.insert(QLatin1String(def.name), action);
            if (def.opens && def.children.empty()) {
                const QString opens = QLatin1String(def.opens);
                connect(action, &QAction::triggered, this, [this, opens] { runCommand(opens); });
            }
        };
    for (const MenuDef& def : mainMenuDefinition())
        add(nullptr, def, 0);
}

void TFmain::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    const QColor highlight = palette().color(QPalette::Highlight);
    pane(bar, QStringLiteral("操作员："), 82, Qt::AlignRight);
    SOper = pane(bar, QString(), 100, Qt::AlignLeft, highlight);
    SOper->setObjectName(QStringLiteral("SOper"));
    pane(bar, QStringLiteral("时间："), 60, Qt::AlignRight);
    Clock = pane(bar, QString(), 147, Qt::AlignLeft, highlight);
    Clock->setObjectName(QStringLiteral("Clock"));
    pane(bar, QStringLiteral("版本："), 60, Qt::AlignRight);
    Version = pane(bar, QStringLiteral("Version 3.0"), 100);
    pane(bar, QStringLiteral("当前数据库类型："), 100);
    RSDType = pane(bar, QString(), 100, Qt::AlignLeft, QColor(0, 0, 128));
    RSDType->setObjectName(QStringLiteral("RSDType"));
    pane(bar, QStringLiteral("开发商："), 80, Qt::AlignRight);
    RC = pane(bar, QString(), 0, Qt::AlignLeft, highlight);
    RC->setObjectName(QStringLiteral("RC"));

    auto* clockTimer = new QTimer(this);
    const auto tick = [this] {
        Clock->setText(
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    };
    connect(clockTimer, &QTimer::timeout, this, tick);
    tick();
    clockTimer->start(1000);

    // The publisher's pane blinks: 1000 ms shown, 1500 ms hidden.
    BlinkTimer = new QTimer(this);
    BlinkTimer->setSingleShot(true);
    connect(BlinkTimer, &QTimer::timeout, this, [this] {
        const bool shown = RC->text().isEmpty();
        RC->setText(shown ? PublisherInfo::name() : QString());
        BlinkTimer->start(shown ? 1000 : 1500);
    });
}

void TFmain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_rightsApplied)
        return;
    m_rightsApplied = true;
    if (currentOperator().CurOperName != QLatin1String("SuperOper"))
        ApplyMenuRights(currentOperator().CurOperNo, menuBar(), *m_dm.QC);
    RC->setText(PublisherInfo::name());
    BlinkTimer->start(1000);
}

void TFmain::closeEvent(QCloseEvent* event)
{
    if (!AskYesNo(QStringLiteral("确定退出Orvane码?"), true)) {
        event->ignore();
        return;
    }
    // Each window with unsaved changes asks whether to save them, or stays open.
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (!sub->close()) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

QAction* TFmain::menuAction(const QString& name) const
{
    return m_actions.value(name);
}

void TFmain::trigger(const QString& name)
{
    if (QAction* a = m_actions.value(name); a && a->isEnabled())
        a->trigger();
}

QWidget* TFmain::openWindow(const QString& key) const
{
    const QPointer<QMdiSubWindow> slot = m_slots.value(key);
    return slot ? slot->widget() : nullptr;
}

QWidget* TFmain::OpenChildWindow(const QString& key)
{
    const auto found = registry().constFind(key);
    if (found == registry().constEnd())
        return nullptr; // a window that does not exist yet: the command does nothing
    if (QPointer<QMdiSubWindow> slot = m_slots.value(key)) {
        if (!found->createdOnce) {
            m_mdi->setActiveSubWindow(slot);
            slot->showMaximized();
        }
        return slot->widget();
    }
    QWidget* widget = found->factory(m_dm, *this);
    if (!widget)
        return nullptr;
    QMdiSubWindow* sub = m_mdi->addSubWindow(widget);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(widget->windowTitle());
    m_slots.insert(key, sub);
    if (found->createdOnce) {
        sub->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                            Qt::WindowCloseButtonHint);
        sub->adjustSize();
        sub->show();
        sub->move((m_mdi->width() - sub->width()) / 2, (m_mdi->height() - sub->height()) / 2);
    } else {
        sub->showMaximized();
    }
    return widget;
}

void TFmain::runCommand(const QString& opens)
{
    if (opens == QLatin1String("tile"))
        m_mdi->tileSubWindows();
    else if (opens == QLatin1String("cascade"))
        m_mdi->cascadeSubWindows();
    else if (opens == QLatin1String("arrange")) {
        // Lines the minimised windows up along the bottom.
        int x = 0;
        for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
            if (sub->isMinimized()) {
                sub->move(x, m_mdi->height() - sub->height());
                x += sub->width();
            }
        }
    } else if (opens == QLatin1String("help"))
        openHelp();
    else if (opens == QLatin1String("TFabout")) {
        TFabout about(this);
        Interaction::current().runDialog(about);
    } else if (opens == QLatin1String("exit"))
        close();
    else
        OpenChildWindow(opens);
}

void TFmain::openHelp()
{
    if (QFileInfo::exists(HelpPagePath()))
        QDesktopServices::openUrl(QUrl::fromLocalFile(HelpPagePath()));
}

void TFmain::nextBackground()
{
    if (!m_pictures.isEmpty())
        m_picture = (m_picture + 1) % int(m_pictures.size());
    paintBackground();
}

void TFmain::paintBackground()
{
    // One picture of the whole area: a brush relative to each repainted piece would tile.
    const QSize size = m_mdi->viewport()->size().expandedTo(QSize(1, 1));
    QPixmap canvas(size);
    QPainter painter(&canvas);
    QLinearGradient gradient(0, 0, 0, size.height());
    gradient.setColorAt(0, QColor(0, 128, 128));
    gradient.setColorAt(1, QColor(160, 170, 170));
    painter.fillRect(canvas.rect(), gradient);
    if (m_picture >= 0) {
        const QPixmap picture(m_pictures[m_picture]);
        if (!picture.isNull()) {
            const QPixmap scaled =
                picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            painter.drawPixmap((size.width() - scaled.width()) / 2,
                               (size.height() - scaled.height()) / 2, scaled);
        }
    }
    painter.end();
    m_mdi->setBackground(QBrush(canvas));
}

bool TFmain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_mdi->viewport() && event->type() == QEvent::Resize)
        paintBackground();
    return QMainWindow::eventFilter(watched, event);
}

#include "connection_dialogs.h"

#include "app/app_registry.h"
#include "platform/interaction.h"
#include "shell/messages.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ConnectionForm::ConnectionForm(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QFormLayout(this);
    SN = new QLineEdit(QStringLiteral("(local)"), this);
    SN->setObjectName(QStringLiteral("SN"));
    DU = new QLineEdit(QStringLiteral("sa"), this);
    DU->setObjectName(QStringLiteral("DU"));
    DP = new QLineEdit(this);
    DP->setObjectName(QStringLiteral("DP"));
    DP->setEchoMode(QLineEdit::Password);
    layout->addRow(QStringLiteral("服务器名:"), SN);
    layout->addRow(QStringLiteral("数据库用户名称:"), DU);
    layout->addRow(QStringLiteral("数据库用户口令:"), DP);
}

ServerLogin ConnectionForm::login() const
{
    return {SN->text().trimmed(), DU->text().trimmed(), DP->text().trimmed()};
}

bool ConnectionForm::test()
{
    if (SN->text().isEmpty()) {
        ShowErrorMessage(QStringLiteral("请输入服务器名..."));
        SN->setFocus();
        return false;
    }
    if (DU->text().isEmpty()) {
        ShowErrorMessage(QStringLiteral("请输入数据库用户名..."));
        DU->setFocus();
        return false;
    }
    if (!TestServerLogin(login())) {
        ShowErrorMessage(QStringLiteral("连接数据库失败!\r\n请重新设置连接..."));
        return false;
    }
    ShowInfoMessage(QStringLiteral("连接数据库成功!"), true);
    return true;
}

bool ConnectionForm::confirm(bool& tested)
{
    if (!tested) {
        ShowInfoMessage(QStringLiteral("请先测试数据库连接是否成功!"), true);
        return false;
    }
    const ServerLogin l = login();
    WriteAppRegString(QStringLiteral("Password"), l.password);
    WriteAppRegString(QStringLiteral("User ID"), l.user);
    WriteAppRegString(QStringLiteral("Data Source"), l.server);
    return true;
}

namespace {
QWidget* toolbar(QWidget* parent, const QList<QPushButton*>& buttons)
{
    auto* bar = new QWidget(parent);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QPushButton* b : buttons) {
        b->setParent(bar);
        b->setAutoDefault(false);
        layout->addWidget(b);
    }
    layout->addStretch();
    return bar;
}

QPushButton* named(const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption);
    b->setObjectName(QLatin1String(name));
    return b;
}
} // namespace

bool& TFSDataCon::tested()
{
    static bool flag = false;
    return flag;
}

TFSDataCon::TFSDataCon(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FSDataCon"));
    setWindowTitle(QStringLiteral("设置数据库连接"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);
    BTest = named("BTest", QStringLiteral("测试"));
    BOk = named("BOk", QStringLiteral("确认并进入"));
    BCan = named("BCan", QStringLiteral("取消并退出"));
    layout->addWidget(toolbar(this, {BTest, BOk, BCan}));
    form = new ConnectionForm(this);
    layout->addWidget(form);
    setFixedSize(sizeHint().expandedTo(QSize(264, 188)));

    connect(BTest, &QPushButton::clicked, this, [this] { tested() = form->test(); });
    connect(BOk, &QPushButton::clicked, this, [this] {
        if (form->confirm(tested()))
            done(QDialog::Accepted);
    });
    connect(BCan, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
}

std::optional<ServerLogin> TFSDataCon::ask()
{
    TFSDataCon dialog;
    if (Interaction::current().runDialog(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.login();
}

TFSetCon::TFSetCon(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FSetCon"));
    setWindowTitle(QStringLiteral("设置数据库连接"));
    auto* layout = new QVBoxLayout(this);
    BTest = named("BTest", QStringLiteral("测试"));
    BOk = named("BOk", QStringLiteral("确认"));
    layout->addWidget(toolbar(this, {BTest, BOk}));
    form = new ConnectionForm(this);
    layout->addWidget(form);
    setFixedSize(sizeHint().expandedTo(QSize(284, 191)));

    connect(BTest, &QPushButton::clicked, this, [this] { m_tested = form->test(); });
    connect(BOk, &QPushButton::clicked, this, [this] {
        if (!form->confirm(m_tested))
            return;
        ShowInfoMessage(QStringLiteral("为使数据库连接的设置有效\r\n请退出程序后重新进入..."),
                        true);
        Q_EMIT closeRequested();
    });
}

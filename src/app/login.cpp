#include "login.h"

#include "app/app_registry.h"
#include "app/config.h"
#include "app/current_operator.h"
#include "app/passwords.h"
#include "data/data_module.h"
#include "shell/messages.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolTip>

LoginController::LoginController(TFDM& dm) : m_dm(dm) {}

QStringList LoginController::entries() const
{
    QStringList list;
    Dataset& czyb = *m_dm.CZYB;
    if (!czyb.isOpen() && !czyb.open())
        return list;
    const int id = czyb.fieldIndex(u"JSID"), name = czyb.fieldIndex(u"JSXM");
    for (int r = 0; r < czyb.rowCount(); ++r)
        list.append(czyb.value(r, id).toString() + u'|' + czyb.value(r, name).toString());
    return list;
}

QString LoginController::rememberedEntry() const
{
    return ReadAppRegString(QStringLiteral("Login"));
}

bool LoginController::chooseOperator(const QString& listText)
{
    Dataset& czyb = *m_dm.CZYB;
    if (!czyb.isOpen() && !czyb.open())
        return false;
    const QString number = listText.left(6);
    if (number.isEmpty() || !czyb.locate(u"JSID", number))
        return false;
    CurrentOperator& op = currentOperator();
    op.CurOperName = czyb.fieldValue(u"JSXM").toString();
    op.CurOperId = czyb.fieldValue(u"JSID").toString();
    op.CurOperPassword = czyb.fieldValue(u"KL").toString();
    op.CurOperNo = czyb.fieldValue(u"JSID").toString();
    op.CurOperRole = czyb.fieldValue(u"ZW").toString();
    m_chosen = true;
    return true;
}

void LoginController::rememberLogin(const QString& listText)
{
    WriteAppRegString(QStringLiteral("Login"), listText.trimmed());
}

LoginController::Outcome LoginController::checkPassword(const QString& listText,
                                                        const QString& typed)
{
    // An empty configured super password logs nobody in as super operator.
    const QString& super = appSettings().SuperPassword;
    const bool isSuper = !super.isEmpty() && typed == super;
    if (!isSuper && (listText.isEmpty() || !m_chosen)) {
        ShowInfoMessage(QStringLiteral("请选择操作员!"), true);
        return Outcome::NeedOperator;
    }
    CurrentOperator& op = currentOperator();
    if (!isSuper && !VerifyPassword(typed, op.CurOperPassword)) {
        ShowInfoMessage(QStringLiteral("口令输入有误,请核对后重新输入!\r\n看大小写锁定是否打开!"),
                        true);
        return Outcome::WrongPassword;
    }
    if (isSuper) {
        op.CurOperId = QStringLiteral("-1");
        op.CurOperName = QStringLiteral("SuperOper");
    } else if (!IsPasswordHash(op.CurOperPassword)) {
        upgradeLegacyPassword(typed);
    }
    return Outcome::Accepted;
}

void LoginController::upgradeLegacyPassword(const QString& typed)
{
    // A password kept in clear by an older installation is replaced by its hash at once.
    Dataset& czyb = *m_dm.CZYB;
    const QString hash = HashPassword(typed);
    if (hash.isEmpty() || !czyb.locate(u"JSID", currentOperator().CurOperId))
        return;
    if (czyb.edit() && czyb.setFieldValue(u"KL", hash) && czyb.post() && czyb.updateBatch())
        currentOperator().CurOperPassword = hash;
    else
        czyb.cancelBatch();
}

TFWstart::TFWstart(TFDM& dm, QWidget* parent) : QDialog(parent), m_login(dm)
{
    setObjectName(QStringLiteral("FWstart"));
    setWindowTitle(QStringLiteral("登录"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(250, 121);

    auto* operLabel = new QLabel(QStringLiteral("操作员:"), this);
    operLabel->setStyleSheet(QStringLiteral("color: white;"));
    operLabel->setGeometry(20, 18, 60, 22);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setGeometry(80, 16, 150, 24);
    auto* passLabel = new QLabel(QStringLiteral("口  令:"), this);
    passLabel->setStyleSheet(QStringLiteral("color: white;"));
    passLabel->setGeometry(20, 50, 60, 22);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEchoMode(QLineEdit::Password);
    Edit1->setGeometry(80, 48, 150, 24);
    for (QWidget* w : {static_cast<QWidget*>(ComboBox1), static_cast<QWidget*>(Edit1)}) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Base, QToolTip::palette().color(QPalette::ToolTipBase));
        w->setPalette(pal);
    }

    const auto button = [this](const char* name, const QString& caption, int x) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setFlat(true);
        b->setAutoDefault(false);
        b->setGeometry(x, 84, 60, 26);
        return b;
    };
    Bok = button("Bok", QStringLiteral("确认"), 30);
    Bcan = button("Bcan", QStringLiteral("取消"), 95);
    Bexit = button("Bexit", QStringLiteral("退出"), 160);
    connect(Bok, &QPushButton::clicked, this, &TFWstart::BokClick);
    connect(Bcan, &QPushButton::clicked, this, &TFWstart::BcanClick);
    connect(Bexit, &QPushButton::clicked, this, &TFWstart::BexitClick);
    connect(Edit1, &QLineEdit::returnPressed, this, &TFWstart::Edit1Enter);
    connect(ComboBox1, &QComboBox::currentTextChanged, this, &TFWstart::ComboBox1Change);

    {
        // Filling the list must not choose anyone; only the remembered login does.
        const QSignalBlocker blocker(ComboBox1);
        ComboBox1->addItems(m_login.entries());
        const QString remembered = m_login.rememberedEntry();
        const int index = remembered.isEmpty() ? -1 : ComboBox1->findText(remembered);
        ComboBox1->setCurrentIndex(index);
        if (index < 0)
            ComboBox1->setEditText(QString());
    }
    if (ComboBox1->currentIndex() >= 0)
        ComboBox1Change(ComboBox1->currentText());
}

void TFWstart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, QColor(0, 128, 128));
    gradient.setColorAt(1, QColor(200, 220, 220));
    painter.fillRect(rect(), gradient);
    painter.setPen(QColor(0, 90, 90));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TFWstart::ComboBox1Change(const QString& text)
{
    if (m_login.chooseOperator(text)) {
        Edit1->setEnabled(true);
        Edit1->setFocus();
    }
}

void TFWstart::check()
{
    const LoginController::Outcome outcome =
        m_login.checkPassword(ComboBox1->currentText(), Edit1->text());
    if (outcome == LoginController::Outcome::WrongPassword) {
        Edit1->clear();
        Edit1->setFocus();
        return;
    }
    if (outcome == LoginController::Outcome::Accepted) {
        m_accepted = true;
        done(QDialog::Accepted);
    }
}

void TFWstart::Edit1Enter()
{
    check();
}

void TFWstart::BokClick()
{
    const QString& super = appSettings().SuperPassword;
    const bool isSuper = !super.isEmpty() && Edit1->text() == super;
    if (!isSuper && ComboBox1->currentText().isEmpty()) {
        check(); // answers "请选择操作员!"
        return;
    }
    m_login.rememberLogin(ComboBox1->currentText());
    check();
}

void TFWstart::BcanClick()
{
    ComboBox1->setEditText(QString());
    Edit1->clear();
    ComboBox1->setFocus();
}

void TFWstart::BexitClick()
{
    m_accepted = false;
    done(QDialog::Rejected);
}

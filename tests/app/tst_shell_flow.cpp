#include "app/app_registry.h"
#include "app/config.h"
#include "app/connection_dialogs.h"
#include "app/current_operator.h"
#include "app/login.h"
#include "app/passwords.h"
#include "app/startup.h"
#include "data/data_module.h"
#include "shell/about_window.h"
#include "shell/backup.h"
#include "shell/main_menu.h"
#include "shell/main_window.h"
#include "shell/pie_colors.h"
#include "support/admin_process.h"
#include "support/scripted_interaction.h"
#include "support/test_database.h"
#include "support/test_environment.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPieSeries>
#include <QPieSlice>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

#include <sqlite3.h>

namespace {
struct Attempt
{
    QString entry;
    QString password;
};

// Answers the start-up picture and types the login attempts into the real login window.
void scriptStart(ScriptedInteraction& ui, QList<Attempt> attempts, QStringList* seen = nullptr)
{
    ui.onDialog([attempts, seen](QDialog& dialog) mutable {
        if (qobject_cast<TFabout*>(&dialog)) {
            if (seen)
                seen->append("about");
            return 1;
        }
        auto* login = qobject_cast<TFWstart*>(&dialog);
        if (!login)
            return 0;
        if (seen)
            seen->append("login:" + login->ComboBox1->currentText() + ":" +
                         currentOperator().CurOperId);
        for (const Attempt& a : attempts) {
            if (a.entry == "<exit>") {
                login->Bexit->click();
                break;
            }
            if (!a.entry.isNull())
                login->ComboBox1->setEditText(a.entry);
            login->Edit1->setText(a.password);
            login->Bok->click();
            if (login->LoginAccepted())
                break;
        }
        return login->result();
    });
}

QStringList enabledActions(TFmain& main)
{
    QStringList names;
    for (QAction* a : main.findChildren<QAction*>()) {
        // Hidden items count as disabled in Qt; only the visible ones are compared.
        if (!a->objectName().isEmpty() && a->isVisible() && a->isEnabled())
            names.append(a->objectName());
    }
    names.sort();
    return names;
}

QStringList allActions(TFmain& main)
{
    QStringList names;
    for (QAction* a : main.findChildren<QAction*>()) {
        if (!a->objectName().isEmpty() && a->isVisible())
            names.append(a->objectName());
    }
    names.sort();
    return names;
}

class Installation
{
public:
    Installation()
    {
        ok = runAdmin({"demo", "--dir", env.programFolder(), "--students", "20"}).exitCode == 0;
        setProgramFolder(env.programFolder());
    }
    TestEnvironment env;
    bool ok = false;
};

int sqliteRows(const QString& file, const char* sql)
{
    sqlite3* db = nullptr;
    int n = -1;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return n;
}
} // namespace

class TestShellFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void teacherRightsOnTheMenu()
    {
        Installation inst;
        QVERIFY(inst.ok);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TFDM dm;
        QVERIFY(dm.create());
        QSqlQuery q(dm.DBConn());
        QVERIFY(q.exec("UPDATE CZYB SET QX = '统计;体标测验成绩查询统计;' WHERE JSID = 102001"));
        dm.CZYB->refresh();

        QStringList seen;
        scriptStart(ui, {{"102001|王建国", "wrong"}, {QString(), "wang2026"}}, &seen);
        std::unique_ptr<TFmain> main = StartOrvane(dm);
        QVERIFY(main);
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[0], QString("about"));
        QVERIFY(seen[1].startsWith("login::")); // nobody remembered, nobody chosen
        // The wrong password first: its message, then the right one.
        QCOMPARE(ui.messageTexts(),
                 QStringList{"口令输入有误,请核对后重新输入!\r\n看大小写锁定是否打开!"});
        const CurrentOperator& op = currentOperator();
        QCOMPARE(op.CurOperId, QString("102001"));
        QCOMPARE(op.CurOperName, QString("王建国"));
        QCOMPARE(op.CurOperRole, QString("教师"));

        main->show();
        QCOMPARE(enabledActions(*main),
                 (QStringList{"N15", "N18", "N20", "N22", "N27", "N28", "N29", "N30", "N31", "N32",
                              "N37", "N38", "N39", "PDA1"}));
        QCOMPARE(main->SOper->text(), QString("102001|王建国"));
        QCOMPARE(main->RSDType->text(), QString("SQLite"));
        QCOMPARE(main->windowTitle(), QString("北方示范学院-Orvane"));
        QVERIFY(!main->menuAction("N49")->isVisible()); // no server connection to set
        QVERIFY(!main->menuAction("N26")->isVisible());
        QVERIFY(!main->menuAction("N35")->isVisible());

        // The remembered login: next start chooses that operator and enables the password box.
        seen.clear();
        ui.clear();
        scriptStart(ui, {{"<exit>", QString()}}, &seen);
        QVERIFY(!StartOrvane(dm));
        QCOMPARE(seen, (QStringList{"about", "login:102001|王建国:102001"}));
    }

    void superOperatorAndSubstringRights()
    {
        Installation inst;
        QVERIFY(inst.ok);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TFDM dm;
        QVERIFY(dm.create());

        scriptStart(ui, {{QString(), "orvane-super"}});
        std::unique_ptr<TFmain> main = StartOrvane(dm);
        QVERIFY(main);
        QCOMPARE(currentOperator().CurOperId, QString("-1"));
        QCOMPARE(currentOperator().CurOperName, QString("SuperOper"));
        main->show();
        QCOMPARE(enabledActions(*main), allActions(*main));

        // Rights by substring: "日常成绩管理" enables "成绩管理" above it too.
        main->menuAction("N49")->setVisible(true); // as on a server database
        applyRightsText("日常成绩管理;设置数据库连接;", main->menuBar());
        QVERIFY(main->menuAction("N10")->isEnabled());
        QVERIFY(main->menuAction("N11")->isEnabled());
        QVERIFY(!main->menuAction("N12")->isEnabled());
        QVERIFY(main->menuAction("N49")
                    ->isEnabled()); // Tag 1 below a top-level item follows the rights
        QVERIFY(!main->menuAction("N1")->isEnabled());
        QVERIFY(!main->menuAction("N2")->isEnabled());
        QVERIFY(main->menuAction("N31")->isEnabled());

        // Exit question: 不是 keeps the program, 是的 closes it.
        ui.clear();
        ui.answerNo();
        main->close();
        QVERIFY(main->isVisible());
        QCOMPARE(ui.messageTexts(), QStringList{"确定退出Orvane码?"});
        QCOMPARE(ui.messages[0].kind, 6);
        ui.answerYes();
        main->close();
        QVERIFY(!main->isVisible());
    }

    void loginRules()
    {
        Installation inst;
        QVERIFY(inst.ok);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TFDM dm;
        QVERIFY(dm.create());
        LoginController login(dm);
        QCOMPARE(login.entries().size(), 4);

        // Nobody chosen: only the super password gets in.
        QCOMPARE(login.checkPassword(QString(), "wang2026"),
                 LoginController::Outcome::NeedOperator);
        QCOMPARE(login.checkPassword("999999|无此人", ""), LoginController::Outcome::NeedOperator);
        QCOMPARE(ui.messageTexts().last(), QString("请选择操作员!"));
        QVERIFY(login.chooseOperator("102003|张志强"));
        QCOMPARE(login.checkPassword("102003|张志强", "ZHANG2026"),
                 LoginController::Outcome::WrongPassword);
        QCOMPARE(login.checkPassword("102003|张志强", "orvane-super"),
                 LoginController::Outcome::Accepted);
        QCOMPARE(currentOperator().CurOperRole, QString("主任")); // stays with the super login
        QCOMPARE(currentOperator().CurOperName, QString("SuperOper"));

        // An empty configured super password lets nobody in as super operator.
        mutableAppSettings().SuperPassword.clear();
        LoginController fresh(dm);
        QCOMPARE(fresh.checkPassword(QString(), QString()), LoginController::Outcome::NeedOperator);

        // A legacy password in clear logs in once and is replaced by its hash.
        QSqlQuery q(dm.DBConn());
        QVERIFY(q.exec("UPDATE CZYB SET KL = 'Plain1' WHERE JSID = 102002"));
        QVERIFY(q.exec("UPDATE CZYB SET KL = '' WHERE JSID = 102004"));
        QVERIFY(dm.CZYB->refresh());
        QVERIFY(fresh.chooseOperator("102002|李秀英"));
        QCOMPARE(fresh.checkPassword("102002|李秀英", "plain1"),
                 LoginController::Outcome::WrongPassword);
        QCOMPARE(fresh.checkPassword("102002|李秀英", "Plain1"),
                 LoginController::Outcome::Accepted);
        QVERIFY(q.exec("SELECT KL FROM CZYB WHERE JSID = 102002") && q.next());
        QVERIFY(IsPasswordHash(q.value(0).toString()));
        QVERIFY(VerifyPassword("Plain1", q.value(0).toString()));
        // An empty password in clear matches an empty typed one.
        QVERIFY(fresh.chooseOperator("102004|刘芳"));
        QCOMPARE(fresh.checkPassword("102004|刘芳", QString()), LoginController::Outcome::Accepted);
    }

    void childWindowsAndBackup()
    {
        Installation inst;
        QVERIFY(inst.ok);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TFDM dm;
        QVERIFY(dm.create());
        scriptStart(ui, {{"102004|刘芳", "liu2026"}});
        std::unique_ptr<TFmain> main = StartOrvane(dm);
        QVERIFY(main);
        main->show();
        main->trigger("N33");
        auto* backup = qobject_cast<TFBR*>(main->openWindow("TFBR"));
        QVERIFY(backup);
        main->trigger("N33"); // created once: nothing new
        QCOMPARE(main->mdiArea()->subWindowList().size(), 1);

        // A backup while changes are pending in memory holds the committed rows.
        QVERIFY(dm.JSB->open());
        dm.JSB->append();
        dm.JSB->setFieldValue(u"ID", 109999);
        dm.JSB->post();
        ui.clear();
        backup->Bbak->click();
        QCOMPARE(ui.messageTexts(), QStringList{"数据备份成功..."});
        backup->Bbak->click();
        const QString file = BackupFileName();
        QCOMPARE(file, inst.env.programFolder() + "Backup/OrvaneDemo.db");
        QCOMPARE(QDir(inst.env.programFolder() + "Backup").entryList(QDir::Files),
                 QStringList{"OrvaneDemo.db"});
        QCOMPARE(sqliteRows(file, "SELECT COUNT(*) FROM JSB"), 4);
        QCOMPARE(sqliteRows(file, "SELECT COUNT(*) FROM XSB"), 20);

        // A backup that cannot replace the old file fails and leaves the old one.
        QDir(inst.env.programFolder()).rename("Backup", "Backup.moved");
        QFile blocker(inst.env.programFolder() + "Backup");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ui.clear();
        backup->Bbak->click();
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY(ui.messages[0].text.startsWith("数据备份失败..."));

        backup->Bexit->click();
        QTRY_VERIFY(!main->openWindow("TFBR"));

        // Two menu items of one window share its slot; a second choice brings it to the front.
        int made = 0;
        TFmain::registerWindow("TFQtbcj", [&made](TFDM&, TFmain&) -> QWidget* {
            ++made;
            auto* w = new QWidget;
            w->setWindowTitle("体标测验成绩查询统计");
            return w;
        });
        main->trigger("N20");
        QWidget* stats = main->openWindow("TFQtbcj");
        QVERIFY(stats);
        main->trigger("N33");
        main->trigger("N61");
        QCOMPARE(made, 1);
        QCOMPARE(main->mdiArea()->activeSubWindow()->widget(), stats);
        QVERIFY(main->mdiArea()->activeSubWindow()->isMaximized());
        main->mdiArea()->activeSubWindow()->close();
        QTRY_VERIFY(!main->openWindow("TFQtbcj"));
        main->trigger("N61");
        QCOMPARE(made, 2);
        dm.JSB->cancelBatch();
    }

    void pieColoursByRating()
    {
        QPieSeries series;
        const QStringList labels = {"优秀",     "正常体重", "良好",   "较低体重",
                                    "及格",     "超    重", "不及格", "营养不良",
                                    "肥    胖", "超重",     "其他"};
        for (const QString& label : labels)
            series.append(label, 1)->setColor(Qt::gray);
        ColorPieByRating(&series);
        const QList<QColor> expected = {
            QColor(0, 255, 0),   QColor(0, 255, 0),   QColor(0, 255, 255), QColor(0, 255, 255),
            QColor(255, 255, 0), QColor(255, 255, 0), QColor(255, 0, 0),   QColor(255, 0, 0),
            QColor(0, 0, 255),   QColor(Qt::gray),    QColor(Qt::gray)};
        for (int i = 0; i < labels.size(); ++i)
            QCOMPARE(series.slices()[i]->color(), expected[i]);
    }

    void connectionDialogs()
    {
        TestEnvironment env;
        mutableAppSettings().DatabaseName = "Orvane";
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TFSetCon window;
        QCOMPARE(window.form->SN->text(), QString("(local)"));
        QCOMPARE(window.form->DU->text(), QString("sa"));
        window.BOk->click();
        QCOMPARE(ui.messageTexts(), QStringList{"请先测试数据库连接是否成功!"});
        QCOMPARE(ReadAppRegString("User ID"), QString());

        window.form->SN->clear();
        window.BTest->click();
        QCOMPARE(ui.messageTexts().last(), QString("请输入服务器名..."));
        window.form->SN->setText("   ");
        window.form->DU->clear();
        window.BTest->click();
        QCOMPARE(ui.messageTexts().last(), QString("请输入数据库用户名..."));
        QCOMPARE(window.form->login().server, QString()); // blanks pass, then trimmed away

        if (!TestDatabase::postgresAvailable())
            QSKIP("no PostgreSQL server for this run");
        const ServerLogin good = TestDatabase::postgresLogin();
        window.form->SN->setText(good.server);
        window.form->DU->setText(good.user);
        window.form->DP->setText("wrong");
        window.BTest->click();
        QCOMPARE(ui.messageTexts().last(), QString("连接数据库失败!\r\n请重新设置连接..."));
        window.form->DP->setText(good.password);
        window.BTest->click();
        QCOMPARE(ui.messageTexts().last(), QString("连接数据库成功!"));
        // A change after the test is stored without a new test.
        window.form->DU->setText(" other ");
        QSignalSpy closing(&window, &TFSetCon::closeRequested);
        window.BOk->click();
        QCOMPARE(ui.messageTexts().last(),
                 QString("为使数据库连接的设置有效\r\n请退出程序后重新进入..."));
        QCOMPARE(closing.count(), 1);
        QCOMPARE(ReadAppRegString("User ID"), QString("other"));
        QCOMPARE(ReadAppRegString("Data Source"), good.server);

        // The first-run dialog keeps its tested flag for the run.
        TFSDataCon::tested() = false;
        ui.onDialog([&](QDialog& d) {
            auto& dialog = static_cast<TFSDataCon&>(d);
            dialog.form->SN->setText(good.server);
            dialog.form->DU->setText(good.user);
            dialog.form->DP->setText(good.password);
            dialog.BOk->click(); // not tested yet: refused
            dialog.BTest->click();
            dialog.BOk->click();
            return dialog.result();
        });
        const std::optional<ServerLogin> login = TFSDataCon::ask();
        QVERIFY(login);
        QCOMPARE(login->user, good.user);
        QVERIFY(ui.messageTexts().contains("请先测试数据库连接是否成功!"));
        ui.onDialog([](QDialog& d) {
            auto& dialog = static_cast<TFSDataCon&>(d);
            dialog.BOk->click(); // tested in the first showing
            return dialog.result();
        });
        QVERIFY(TFSDataCon::ask());
    }
};

QTEST_MAIN(TestShellFlow)
#include "tst_shell_flow.moc"

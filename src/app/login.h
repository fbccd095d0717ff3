#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class TFDM;
class QComboBox;
class QLineEdit;
class QPushButton;

// The rules of the login, without widgets.
class LoginController
{
public:
    enum class Outcome { Accepted, NeedOperator, WrongPassword };

    explicit LoginController(TFDM& dm);

    // One entry per operator: number, "|", name.
    QStringList entries() const;
    // The entry of the last confirmed login, or empty text.
    QString rememberedEntry() const;
    // Takes the operator whose number is the first six characters of the text; false (and the
    // operator values untouched) when there is none.
    bool chooseOperator(const QString& listText);
    void rememberLogin(const QString& listText);
    // Shows its message on a refusal; on acceptance the operator values are final.
    Outcome checkPassword(const QString& listText, const QString& typed);
    bool operatorChosen() const { return m_chosen; }

private:
    void upgradeLegacyPassword(const QString& typed);

    TFDM& m_dm;
    bool m_chosen = false;
};

// The login window.
class TFWstart : public QDialog
{
    Q_OBJECT

public:
    explicit TFWstart(TFDM& dm, QWidget* parent = nullptr);

    QComboBox* ComboBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Bok = nullptr;
    QPushButton* Bcan = nullptr;
    QPushButton* Bexit = nullptr;

    // Whether a password was accepted.
    bool LoginAccepted() const { return m_accepted; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ComboBox1Change(const QString& text);
    void Edit1Enter();
    void BokClick();
    void BcanClick();
    void BexitClick();
    void check();

    LoginController m_login;
    bool m_accepted = false;
};

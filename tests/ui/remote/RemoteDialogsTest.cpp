// The dialogs of a remote scan: the address and folder it takes, and ssh's
// questions put to the user with ssh's own words, answered only by the user.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "app/AppModel.h"
#include "ui/ResultTestSupport.h"
#include "ui/remote/AskpassDialog.h"
#include "ui/remote/RemoteScanDialog.h"
#include "ui/widgets/TextLabel.h"

namespace raumfuchs {
namespace {

TEST(RemoteDialogs, TakeOnlyWhatSshTakesAndAnswerOnlyWhatTheUserSaid) {
    test::ensureApp();
    RemoteScanDialog dialog;
    auto& host = *dialog.findChild<QLineEdit*>(QStringLiteral("remoteHost"));
    auto& path = *dialog.findChild<QLineEdit*>(QStringLiteral("remotePath"));
    QPushButton* scan = test::withText<QPushButton>(dialog, QStringLiteral("Scannen"));
    ASSERT_TRUE(scan);
    EXPECT_FALSE(scan->isEnabled());  // no host yet
    host.setText(QStringLiteral(" nutzer@rechner:2222 "));
    path.setText(QStringLiteral("/srv/daten"));
    ASSERT_TRUE(scan->isEnabled());
    EXPECT_EQ(dialog.target(),
              (ScanTarget{"/srv/daten", QStringLiteral("nutzer@rechner:/srv/daten"), std::nullopt,
                          false, RemoteAddress{"nutzer", "rechner", 2222}}));
    path.setText(QStringLiteral("daten"));
    EXPECT_FALSE(scan->isEnabled());
    path.setText(QStringLiteral("~"));
    host.setText(QStringLiteral("-oProxyCommand=sh"));
    EXPECT_FALSE(scan->isEnabled());

    // A host key ssh does not know: yes or no, with the fingerprint shown.
    const QString question = QStringLiteral(
        "The authenticity of host '[127.0.0.1]:2222 ([127.0.0.1]:2222)' can't be established.\n"
        "ED25519 key fingerprint is SHA256:b3Sp6cbfYgn2kUXmhh+n+MpXbaZr8jkRFFGkkAhOZSg.\n"
        "Are you sure you want to continue connecting (yes/no/[fingerprint])? ");
    AskpassDialog confirm(question);
    EXPECT_TRUE(confirm.findChildren<QLineEdit*>().isEmpty());
    EXPECT_TRUE(
        confirm.findChild<TextLabel*>(QStringLiteral("askpassPrompt"))
            ->text()
            .contains(QStringLiteral("SHA256:b3Sp6cbfYgn2kUXmhh+n+MpXbaZr8jkRFFGkkAhOZSg")));
    confirm.reject();
    EXPECT_EQ(confirm.answer(), QStringLiteral("no"));
    confirm.accept();
    EXPECT_EQ(confirm.answer(), QStringLiteral("yes"));

    // A password: hidden as it is typed, handed on as typed.
    AskpassDialog password(QStringLiteral("root@127.0.0.1's password: "));
    auto* secret = password.findChild<QLineEdit*>(QStringLiteral("askpassSecret"));
    ASSERT_TRUE(secret);
    EXPECT_EQ(secret->echoMode(), QLineEdit::Password);
    secret->setText(QStringLiteral("geheim ö"));
    password.accept();
    EXPECT_EQ(password.answer(), QStringLiteral("geheim ö"));
}

}  // namespace
}  // namespace raumfuchs

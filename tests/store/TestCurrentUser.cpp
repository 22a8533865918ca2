#include "store/BSN_User.h"
#include "store/CurrentUser.h"
#include "store/Globals.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
enum class Op
{
    SignInAnn,
    SignInBob,
    SignOut,
    PutAside,
    Restore,
    DropAside
};
enum class Who
{
    Nobody,
    Ann,
    Bob
};
using Steps = QList<Op>;
using Whos = QList<Who>;
} // namespace
Q_DECLARE_METATYPE(Steps)
Q_DECLARE_METATYPE(Who)
Q_DECLARE_METATYPE(Whos)

class TestCurrentUser : public QObject
{
    Q_OBJECT

    UserPtr m_ann = std::make_shared<BSN_User>();
    UserPtr m_bob = std::make_shared<BSN_User>();

    Who who(const UserPtr &user) const
    {
        if (!user)
            return Who::Nobody;
        return user == m_ann ? Who::Ann : Who::Bob;
    }

    void apply(Op op)
    {
        CurrentUser &current = CurrentUser::instance();
        switch (op) {
        case Op::SignInAnn:
            current.signIn(m_ann);
            break;
        case Op::SignInBob:
            current.signIn(m_bob);
            break;
        case Op::SignOut:
            current.signOut();
            break;
        case Op::PutAside:
            current.putAside();
            break;
        case Op::Restore:
            current.restore();
            break;
        case Op::DropAside:
            current.dropAside();
            break;
        }
    }

private slots:
    void cleanup() { ReleaseGlobals(); }

    void changes_data()
    {
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<Who>("user");
        QTest::addColumn<Who>("aside");
        // The user each changed() carried, in order.
        QTest::addColumn<Whos>("emitted");
        using O = Op;
        const Who nobody = Who::Nobody, ann = Who::Ann, bob = Who::Bob;
        QTest::newRow("sign in") << Steps{O::SignInAnn} << ann << nobody << Whos{ann};
        QTest::newRow("the same user again is no change")
            << Steps{O::SignInAnn, O::SignInAnn} << ann << nobody << Whos{ann};
        QTest::newRow("another user") << Steps{O::SignInAnn, O::SignInBob} << bob << nobody << Whos{ann, bob};
        QTest::newRow("sign out") << Steps{O::SignInAnn, O::SignOut} << nobody << nobody << Whos{ann, nobody};
        QTest::newRow("sign out with nobody signed in") << Steps{O::SignOut} << nobody << nobody << Whos{};
        QTest::newRow("put aside") << Steps{O::SignInAnn, O::PutAside} << nobody << ann << Whos{ann, nobody};
        QTest::newRow("put aside and restored")
            << Steps{O::SignInAnn, O::PutAside, O::Restore} << ann << ann << Whos{ann, nobody, ann};
        // A redraw while minimised restores again and finds the user already back.
        QTest::newRow("restored twice while minimised")
            << Steps{O::SignInAnn, O::PutAside, O::Restore, O::Restore} << ann << ann << Whos{ann, nobody, ann};
        QTest::newRow("back from the tray, signed out, then redrawn")
            << Steps{O::SignInAnn, O::PutAside, O::Restore, O::DropAside, O::SignOut, O::Restore} << nobody << nobody
            << Whos{ann, nobody, ann, nobody};
        QTest::newRow("dropped before the restore")
            << Steps{O::SignInAnn, O::PutAside, O::DropAside, O::Restore} << nobody << nobody << Whos{ann, nobody};
        QTest::newRow("nobody put aside") << Steps{O::PutAside, O::Restore} << nobody << nobody << Whos{};
        QTest::newRow("minimised again after the restore") << Steps{O::SignInAnn, O::PutAside, O::Restore, O::PutAside}
                                                           << nobody << ann << Whos{ann, nobody, ann, nobody};
        QTest::newRow("another sign-in while aside")
            << Steps{O::SignInAnn, O::PutAside, O::SignInBob, O::DropAside} << bob << nobody << Whos{ann, nobody, bob};
    }
    void changes()
    {
        QFETCH(Steps, steps);
        QFETCH(Who, user);
        QFETCH(Who, aside);
        QFETCH(Whos, emitted);
        CurrentUser &current = CurrentUser::instance();
        Whos seen;
        bool globalFollowed = true;
        const auto connection = connect(&current, &CurrentUser::changed, this, [&](const UserPtr &now) {
            // Whoever the signal wakes reads the new user from the global already.
            globalFollowed = globalFollowed && gCurrentUser == now;
            seen << who(now);
        });
        for (Op op : steps)
            apply(op);
        disconnect(connection);
        QVERIFY(globalFollowed);
        QCOMPARE(who(gCurrentUser), user);
        QCOMPARE(who(current.asideUser()), aside);
        QCOMPARE(seen, emitted);
    }

    // The end of a run forgets the user put aside too: the next start must not find them.
    void releaseForgetsTheUserPutAside()
    {
        CurrentUser &current = CurrentUser::instance();
        current.signIn(m_ann);
        current.putAside();
        ReleaseGlobals();
        QSignalSpy spy(&current, &CurrentUser::changed);
        current.restore();
        QVERIFY(!gCurrentUser);
        QCOMPARE(spy.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCurrentUser)
#include "TestCurrentUser.moc"

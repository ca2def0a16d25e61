#include <gtest/gtest.h>

#include "platform/sendkeys.h"

namespace qlm {
namespace {

TEST(SendKeys, ReadsModifiersNamedKeysAndLiterals) {
    QList<KeyStroke> keys;
    ASSERT_TRUE(ParseKeys(QStringLiteral("%D"), &keys));
    EXPECT_EQ(keys, (QList<KeyStroke>{KeyStroke{Qt::Key_D, Qt::AltModifier, QStringLiteral("d")}}));

    ASSERT_TRUE(ParseKeys(QStringLiteral("{Enter}"), &keys));
    EXPECT_EQ(keys, (QList<KeyStroke>{KeyStroke{Qt::Key_Return, {}, QStringLiteral("\r")}}));
    ASSERT_TRUE(ParseKeys(QStringLiteral("~{ENTER}"), &keys));
    EXPECT_EQ(keys.size(), 2);
    EXPECT_EQ(keys[0], keys[1]);

    // Modifiers hold for one key only; braces make them literal.
    ASSERT_TRUE(ParseKeys(QStringLiteral("+ab{%}{}}^{Tab}"), &keys));
    ASSERT_EQ(keys.size(), 5);
    EXPECT_EQ(keys[0], (KeyStroke{Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A")}));
    EXPECT_EQ(keys[1], (KeyStroke{Qt::Key_B, {}, QStringLiteral("b")}));
    EXPECT_EQ(keys[2].text, QStringLiteral("%"));
    EXPECT_EQ(keys[3].text, QStringLiteral("}"));
    EXPECT_EQ(keys[4], (KeyStroke{Qt::Key_Tab, Qt::ControlModifier, QStringLiteral("\t")}));
}

TEST(SendKeys, RejectsMalformedTexts) {
    QList<KeyStroke> keys{KeyStroke{Qt::Key_A, {}, QStringLiteral("a")}};
    for (const char* text : {"{Nope}", "{Enter", "{}", "%", "a^"}) {
        EXPECT_FALSE(ParseKeys(QString::fromLatin1(text), &keys)) << text;
        EXPECT_EQ(keys.size(), 1) << text;
    }
}

}  // namespace
}  // namespace qlm

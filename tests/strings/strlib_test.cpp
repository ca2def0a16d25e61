#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/strings/strlib.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

StringLibraryStatus LoadText(const QTemporaryDir& dir, const QByteArray& text) {
    const QString path = dir.filePath("strLib.ini");
    test::WriteFile(path, text);
    return LoadStringLibrary("  " + path + "  ", " QLM6200 ");
}

}  // namespace

TEST(StringLibrary, ShippedEnglishLibraryIsComplete) {
    ASSERT_EQ(LoadStringLibrary(test::SourcePath("data/strLib.ini"), "QLM6200"), StringLibraryStatus::Loaded);
    EXPECT_GE(TotalStr(), 129);
    EXPECT_EQ(TotalFont(), 2);
    // Every number a form or message uses has a text.
    for (int n : {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,  12,  13,  45,  46,  47,  48,  49, 50,
                  51, 52, 53, 54, 55, 75, 76, 82, 83, 99, 100, 101, 104, 108, 116, 122, 123, 129})
        EXPECT_FALSE(LibStr(n).trimmed().isEmpty()) << "library string " << n;
    // The search panel tells the choices apart by their texts.
    QStringList choices;
    for (int n : {46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 104})
        choices << LibStr(n);
    choices.removeDuplicates();
    EXPECT_EQ(choices.size(), 11);
    // The fonts name a family that the machine has.
    EXPECT_EQ(LibFont(1)->Name, "DejaVu Sans");
    EXPECT_EQ(LibFont(1)->Size, 9);
}

TEST(StringLibrary, MissingKeysAreEmptyAndNumbersOutsideGiveTheFallback) {
    QTemporaryDir dir;
    ASSERT_EQ(LoadText(dir, "[QLM6200]\nTotalStr=3\nStr1=one\nStr3=three\n"), StringLibraryStatus::Loaded);
    EXPECT_EQ(StringLibraryFileName(), dir.filePath("strLib.ini"));
    EXPECT_EQ(StringLibrarySection(), "QLM6200");
    EXPECT_EQ(TotalStr(), 3);
    EXPECT_EQ(LibStr(1), "one");
    EXPECT_TRUE(HasLibStr(2));
    EXPECT_EQ(LibStr(2, "design"), "");
    EXPECT_EQ(LibStr(4, "design"), "design");
    EXPECT_EQ(LibStr(0, "design"), "design");
    EXPECT_EQ(TotalFont(), 0);
    EXPECT_EQ(LibFont(1), nullptr);
}

TEST(StringLibrary, LongValuesAreCutAndStringsKeepTheirBlanks) {
    QTemporaryDir dir;
    ASSERT_EQ(LoadText(dir, "[QLM6200]\nTotalStr=2\nStr1=" + QByteArray(150, 'a') + "\nStr2=\" padded \"\n"),
              StringLibraryStatus::Loaded);
    EXPECT_EQ(LibStr(1), QString(99, u'a'));
    EXPECT_EQ(LibStr(2), " padded ");
}

TEST(StringLibrary, FatalCases) {
    QTemporaryDir dir;
    EXPECT_EQ(LoadStringLibrary("   ", "QLM6200"), StringLibraryStatus::NoFileName);
    EXPECT_EQ(LoadStringLibrary(dir.filePath("absent.ini"), "QLM6200"), StringLibraryStatus::NoStrings);
    EXPECT_EQ(LoadText(dir, "[Other]\nTotalStr=3\n"), StringLibraryStatus::NoStrings);
    EXPECT_EQ(LoadText(dir, "[QLM6200]\nTotalStr=0\nStr1=x\n"), StringLibraryStatus::NoStrings);
    EXPECT_EQ(LoadText(dir, "[QLM6200]\nStr1=x\n"), StringLibraryStatus::NoStrings);
    EXPECT_EQ(FatalNoLibraryText(), "Can Not Find String Library. Fatal Error !");
    EXPECT_EQ(FatalNoStringsText(), "Can Not Get String. Fatal Error !");
}

TEST(StringLibrary, FontEntriesAreParsedFieldByField) {
    FontEntry e = ParseFontEntry("Tahoma, 9, True");
    EXPECT_EQ(e.Name, "Tahoma");
    EXPECT_EQ(e.Size, 9);
    EXPECT_TRUE(e.Bold);
    e = ParseFontEntry("Arial");
    EXPECT_EQ(e.Name, "Arial");
    EXPECT_EQ(e.Size, 0);
    EXPECT_FALSE(e.Bold);
    e = ParseFontEntry("Arial, 12");
    EXPECT_EQ(e.Size, 12);
    EXPECT_FALSE(e.Bold);
    e = ParseFontEntry(" , big, maybe");
    EXPECT_EQ(e.Name, "");
    EXPECT_EQ(e.Size, 0);
    EXPECT_FALSE(e.Bold);
    e = ParseFontEntry("Courier, 8.5, -1, ignored, more");
    EXPECT_EQ(e.Size, 8);  // halves to even, as CInt does
    EXPECT_TRUE(e.Bold);
    EXPECT_EQ(ParseFontEntry("X, 99999, 0").Size, 0);  // beyond 16 bits: not a size
    EXPECT_EQ(ParseFontEntry("X, 9.5, false").Size, 10);
}

TEST(StringLibrary, FontTableFromTheFile) {
    QTemporaryDir dir;
    ASSERT_EQ(LoadText(dir, "[QLM6200]\nTotalFont=3\nFont1=Tahoma, 9, True\nFont3=Serif, 11\nTotalStr=1\nStr1=x\n"),
              StringLibraryStatus::Loaded);
    ASSERT_EQ(TotalFont(), 3);
    EXPECT_TRUE(LibFont(1)->Bold);
    EXPECT_EQ(LibFont(2)->Name, "");
    EXPECT_EQ(LibFont(3)->Size, 11);
}

#include <gtest/gtest.h>

#include "platform/privateprofile.h"

using qlm::PrivateProfile;

TEST(PrivateProfile, ReadsLikeTheWindowsProfileFunctions) {
    const PrivateProfile p = PrivateProfile::FromBytes(
        "; a comment\r\n"
        "[Other]\r\nStr1=wrong section\r\n"
        "[ qlm6200 ]\r\n"
        "  Str1 =  Hello world  \r\n"
        "STR1=second occurrence loses\r\n"
        "Str2=\"  quoted blanks kept  \"\r\n"
        "Str3='single'\r\n"
        "Str4=\"unbalanced\r\n"
        ";Str5=commented out\r\n"
        "Str6=a=b\r\n"
        "Str7=\r\n");
    EXPECT_EQ(p.GetString("QLM6200", "str1"), "Hello world");
    EXPECT_EQ(p.GetString("QLM6200", "Str2"), "  quoted blanks kept  ");
    EXPECT_EQ(p.GetString("QLM6200", "Str3"), "single");
    EXPECT_EQ(p.GetString("QLM6200", "Str4"), "\"unbalanced");
    EXPECT_EQ(p.GetString("QLM6200", "Str5", "default"), "default");
    EXPECT_EQ(p.GetString("QLM6200", "Str6"), "a=b");
    EXPECT_TRUE(p.HasKey("QLM6200", "Str7"));
    EXPECT_EQ(p.GetString("QLM6200", "Str7", "default"), "");
    EXPECT_EQ(p.GetString("Missing", "Str1", "d"), "d");
}

TEST(PrivateProfile, RepeatedSectionIsIgnored) {
    const PrivateProfile p = PrivateProfile::FromBytes("[A]\nx=1\n[B]\ny=2\n[a]\nx=3\nz=4\n");
    EXPECT_EQ(p.GetString("A", "x"), "1");
    EXPECT_FALSE(p.HasKey("A", "z"));
}

TEST(PrivateProfile, ValuesAreCutTo99Characters) {
    const QByteArray longValue(150, 'x');
    const PrivateProfile p = PrivateProfile::FromBytes("[S]\nk=" + longValue + "\n");
    EXPECT_EQ(p.GetString("S", "k").size(), 99);
    EXPECT_EQ(p.GetString("S", "missing", QString(150, u'd')).size(), 99);
}

TEST(PrivateProfile, IntegersReadTheLeadingNumber) {
    const PrivateProfile p = PrivateProfile::FromBytes("[S]\na=129\nb= -7 \nc=12abc\nd=abc\ne=99999999999\n");
    EXPECT_EQ(p.GetInt("S", "a", 5), 129);
    EXPECT_EQ(p.GetInt("S", "b", 5), -7);
    EXPECT_EQ(p.GetInt("S", "c", 5), 12);
    EXPECT_EQ(p.GetInt("S", "d", 5), 0);
    EXPECT_EQ(p.GetInt("S", "e", 5), 0);
    EXPECT_EQ(p.GetInt("S", "missing", 5), 5);
}

TEST(PrivateProfile, Utf8AndWindows1252) {
    const PrivateProfile utf8 = PrivateProfile::FromBytes(
        "\xEF\xBB\xBF[S]\nk=Gr\xC3\xB6\xC3\x9F"
        "e\n");
    EXPECT_EQ(utf8.GetString("S", "k"), QString::fromUtf8("Größe"));
    // The same word as a Windows-1252 file, with a euro sign from 0x80.
    const PrivateProfile cp1252 = PrivateProfile::FromBytes(
        "[S]\nk=Gr\xF6\xDF"
        "e \x80\n");
    EXPECT_EQ(cp1252.GetString("S", "k"), QString::fromUtf8("Größe €"));
}

TEST(PrivateProfile, MissingFileReadsAsDefaults) {
    const PrivateProfile p = PrivateProfile::Load("/nonexistent/strLib.ini");
    EXPECT_FALSE(p.HasSection("QLM6200"));
    EXPECT_EQ(p.GetInt("QLM6200", "TotalStr", 0), 0);
}

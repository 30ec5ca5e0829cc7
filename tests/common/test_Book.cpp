// The book module: the security description, the system files named by "System.xml",
// opening a book from its resources in memory, and unlocking its pages.
#include "u_Book.h"
#include "u_BookCipher.h"
#include "u_BookLayout.h"
#include "u_MFSCab.h"

#include "cabinet_maker.h"
#include "u_XMLValues.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using cabmaker::FilesCabinet;

const char* const PlainSystemXml = "<System ApplicationTitle=\"Tides\" Variables=\"Variables.xml\"/>";

TBookResources Resources(const std::string& systemXml, const std::string& decryptXml,
                         const std::string& pages) {
    TBookResources r;
    r.System = FilesCabinet(
        {{"\\System.xml", systemXml}, {"\\Decrypt.xml", decryptXml}, {"\\Variables.xml", "<vars/>"}});
    r.Pages = pages;
    r.PagesSize = pages.size();
    return r;
}

const std::string PagesCabinet =
    FilesCabinet({{"\\index.htm", "<p>High water</p>"}, {"\\ch\\one.htm", "one"}});

template <typename F>
std::string MessageOf(F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(nothing raised)";
}

} // namespace

TEST(BookSecurity, DecryptXmlTextsOfEveryProtection) {
    TSecurityDescription security;
    EXPECT_EQ(BuildDecryptXml(security), "");
    security.Protection = TBookProtection::Password;
    EXPECT_EQ(BuildDecryptXml(security), "<Decrypt Method=\"Password\" PasswordType=\"Simple\"/>\r\n");
    security.Protection = TBookProtection::Selected;
    security.PasswordHash = -2;
    EXPECT_EQ(BuildDecryptXml(security),
              "<Decrypt Method=\"Password\" PasswordHash=\"-2\" PasswordType=\"Selected\" />\r\n");
    security.Protection = TBookProtection::UserPassword;
    security.UserRecords = {"AB", ""};
    EXPECT_EQ(BuildDecryptXml(security), "<Decrypt Method=\"UserPassword\">\r\n\t<Info KeyInfo=\"AB\"/>\r\n"
                                         "\t<Info KeyInfo=\"\"/>\r\n</Decrypt>\r\n");
}

TEST(BookSecurity, ReadingDecryptXml) {
    EXPECT_EQ(ReadDecryptXml("").Protection, TBookProtection::None);
    EXPECT_EQ(ReadDecryptXml("<Decrypt Method=\"Other\"/>").Protection, TBookProtection::None);
    EXPECT_EQ(ReadDecryptXml("<Decrypt METHOD=\"password\"/>").Protection, TBookProtection::Password);
    // The hash is written signed; the same bits written unsigned read alike.
    const TSecurityDescription selected = ReadDecryptXml(
        "<Decrypt Method=\"Password\" PasswordHash=\"4294967294\" PasswordType=\"selected\"/>");
    EXPECT_EQ(selected.Protection, TBookProtection::Selected);
    EXPECT_EQ(selected.PasswordHash, -2);
    EXPECT_EQ(ReadDecryptXml(
                  "<Decrypt Method=\"Password\" PasswordHash=\"-2147483648\" PasswordType=\"Selected\"/>")
                  .PasswordHash,
              INT32_MIN);
    for (const char* hash : {"", "12x", "4294967296", "-2147483649"})
        EXPECT_EQ(MessageOf([&] {
                      ReadDecryptXml(std::string("<Decrypt Method=\"Password\" PasswordType=\"Selected\" "
                                                 "PasswordHash=\"") +
                                     hash + "\"/>");
                  }),
                  "no password hash")
            << hash;
    const TSecurityDescription users = ReadDecryptXml(
        "<Decrypt Method=\"UserPassword\">\r\n\t<Info KeyInfo=\"K1\"/>\r\n\t<Info/>\r\n</Decrypt>\r\n");
    EXPECT_EQ(users.Protection, TBookProtection::UserPassword);
    EXPECT_EQ(users.UserRecords, (std::vector<std::string>{"K1", ""}));
}

TEST(Book, OpensFromResourcesInMemory) {
    TBook book;
    book.Open(Resources(PlainSystemXml, "", PagesCabinet), "Tides.exe");
    EXPECT_TRUE(book.Loaded());
    EXPECT_EQ(book.FileName(), "Tides.exe");
    EXPECT_EQ(XmlText(book.Description(), "ApplicationTitle", ""), "Tides");
    EXPECT_EQ(book.Protection(), TBookProtection::None);
    EXPECT_FALSE(book.Locked());
    EXPECT_FALSE(book.PagesEnciphered());
    ASSERT_NE(book.PageFile("ch/one.htm"), nullptr);
    EXPECT_EQ(book.PageFile("\\ch\\..\\ch\\one.htm")->Content, "one");
    EXPECT_EQ(book.PageFile("/../index.htm")->Content, "<p>High water</p>");
    EXPECT_EQ(book.PageFile("\\ch"), nullptr) << "a folder is no page";
    EXPECT_EQ(book.PageFile("\\missing.htm"), nullptr);
    EXPECT_EQ(book.SystemFile("\\Variables.xml"), "<vars/>");
    EXPECT_EQ(book.SystemFile("\\nothing.xml"), "");
    book.Close();
    EXPECT_FALSE(book.Loaded());
    EXPECT_EQ(book.System().Root()->ChildCount(), 0);
}

TEST(Book, SystemFilesAreTheOnesSystemXmlNames) {
    TBook book;
    book.Open(Resources("<System Variables=\"Brand/Names.xml\" Story=\"\" Forms=\"..\\Forms.xml\"/>", "",
                        PagesCabinet),
              "b");
    EXPECT_EQ(book.SystemFilePath(SystemXml::Variables), "\\Brand\\Names.xml");
    EXPECT_EQ(book.SystemFilePath(SystemXml::Story), StoryXmlFile) << "an empty name is the compiler's";
    EXPECT_EQ(book.SystemFilePath(SystemXml::ToolButtons), ToolButtonsXmlFile) << "so is a missing one";
    EXPECT_EQ(book.SystemFilePath(SystemXml::Forms), "\\Forms.xml") << "never above the image's root";
    EXPECT_EQ(book.SystemFilePath(SystemXml::Decrypt), DecryptXmlFile);
}

TEST(Book, WhatIsNoBookAndWhatIsDamaged) {
    TBook book;
    TBookResources none = Resources(PlainSystemXml, "", PagesCabinet);
    none.System.clear();
    EXPECT_EQ(MessageOf([&] { book.Open(std::move(none), "x.exe"); }), "\"x.exe\" is not a book.");
    TBookResources noPages = Resources(PlainSystemXml, "", "");
    EXPECT_EQ(MessageOf([&] { book.Open(std::move(noPages), "x.exe"); }), "\"x.exe\" is not a book.");
    // A system image without a description.
    TBookResources bare = Resources(PlainSystemXml, "", PagesCabinet);
    bare.System = FilesCabinet({{"\\Other.xml", "<x/>"}});
    EXPECT_EQ(MessageOf([&] { book.Open(std::move(bare), "x.exe"); }), "\"x.exe\" is not a book.");
    TBookResources junk = Resources(PlainSystemXml, "", PagesCabinet);
    junk.System = "MSCF but nothing more";
    EXPECT_EQ(MessageOf([&] {
                  book.Open(std::move(junk), "x.exe");
              }).rfind("The book \"x.exe\" is damaged and cannot be read.\nsystem files: ", 0),
              0u);
    EXPECT_EQ(MessageOf([&] {
                  book.Open(Resources(PlainSystemXml, "", "not a cabinet"), "x.exe");
              }).rfind("The book \"x.exe\" is damaged and cannot be read.\npages: ", 0),
              0u);
    EXPECT_EQ(MessageOf([&] {
                  book.Open(Resources(PlainSystemXml,
                                      "<Decrypt Method=\"Password\" PasswordType=\"Selected\"/>",
                                      PagesCabinet),
                            "x.exe");
              }),
              "The book \"x.exe\" is damaged and cannot be read.\nDecrypt.xml: no password hash");
    EXPECT_FALSE(book.Loaded());
}

TEST(Book, WholeBookPassword) {
    const std::string decrypt = BuildDecryptXml({TBookProtection::Password, 0, {}});
    TBook book;
    book.Open(Resources(PlainSystemXml, decrypt, EncryptData(PagesCabinet, "gull rock", true)), "p.exe");
    EXPECT_TRUE(book.PagesEnciphered());
    EXPECT_TRUE(book.Locked());
    EXPECT_EQ(book.PageFile("\\index.htm"), nullptr) << "nothing before the password";
    EXPECT_FALSE(book.Unlock("", ""));
    EXPECT_FALSE(book.Unlock("", "Gull Rock"));
    EXPECT_TRUE(book.Locked());
    EXPECT_TRUE(book.Unlock("anyone", "gull rock")) << "the user name is not asked";
    EXPECT_FALSE(book.Locked());
    EXPECT_EQ(book.PageFile("\\index.htm")->Content, "<p>High water</p>");
    EXPECT_TRUE(book.Unlock("", "wrong")) << "open pages stay open";

    // An empty password leaves the pages as a cabinet: the book opens unlocked.
    book.Open(Resources(PlainSystemXml, decrypt, PagesCabinet), "p.exe");
    EXPECT_FALSE(book.Locked());
    // Damage behind the right key is damage, not a wrong password.
    book.Open(Resources(PlainSystemXml, decrypt, EncryptData("no cabinet", "k", true)), "p.exe");
    EXPECT_EQ(MessageOf([&] { book.Unlock("", "k"); }).rfind("The book \"p.exe\" is damaged", 0), 0u);
}

TEST(Book, UserNamesAndPasswords) {
    const std::string key = "{6B29FC40-CA47-1067-B31D-00DD010662DA}";
    TSecurityDescription security{TBookProtection::UserPassword, 0, {}};
    security.UserRecords = {"not a record", UserKeyRecord("ann", "tide", key), UserKeyRecord("", "", key)};
    TBook book;
    book.Open(Resources(PlainSystemXml, BuildDecryptXml(security), EncryptData(PagesCabinet, key, true)),
              "u.exe");
    EXPECT_TRUE(book.Locked());
    EXPECT_FALSE(book.Unlock("ann", "Tide"));
    EXPECT_FALSE(book.Unlock("Ann", "tide")) << "names keep their letter case";
    EXPECT_FALSE(book.Unlock("tide", "ann"));
    EXPECT_TRUE(book.Unlock("ann", "tide"));
    EXPECT_EQ(book.PageFile("\\ch\\one.htm")->Content, "one");
    // A user whose name and password are both empty is a user too.
    book.Open(Resources(PlainSystemXml, BuildDecryptXml(security), EncryptData(PagesCabinet, key, true)),
              "u.exe");
    EXPECT_TRUE(book.Unlock("", ""));
}

TEST(Book, SelectedPagesPassword) {
    // The checksum of "abc" is 40C6C4C2.
    const std::string decrypt = BuildDecryptXml({TBookProtection::Selected, 0x40C6C4C2, {}});
    TBook book;
    book.Open(Resources(PlainSystemXml, decrypt, PagesCabinet), "s.exe");
    EXPECT_FALSE(book.Locked()) << "the pages themselves are not enciphered";
    EXPECT_TRUE(book.CheckPagePassword("abc"));
    EXPECT_FALSE(book.CheckPagePassword("ABC"));
    EXPECT_FALSE(book.CheckPagePassword(""));
}

TEST(BookCipher, EmptyKeysAndDamagedRecords) {
    std::string data;
    EXPECT_THROW(EncryptData("x", "", true), Exception);
    EXPECT_FALSE(DecryptData(EncryptData("x", "k", true), "", true, data));
    EXPECT_FALSE(DecryptData("1234567", "k", true, data)) << "shorter than its header";
    EXPECT_FALSE(DecryptData("XYZ", "k", false, data)) << "not hexadecimal text";
    // The text form is upper-case hexadecimal: 8 header bytes plus "ab" padded to 12.
    const std::string text = EncryptData("ab", "key", false);
    EXPECT_EQ(text.size(), 24u);
    EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    ASSERT_TRUE(DecryptData(text, "key", false, data));
    EXPECT_EQ(data, "ab");
    EXPECT_EQ(HexText(std::string("\x00\xAB\xFF", 3)), "00ABFF");
    ASSERT_TRUE(FromHexText("00abFF", data));
    EXPECT_EQ(data, std::string("\x00\xAB\xFF", 3));
}

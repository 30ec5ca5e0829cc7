#include "qt_app.h"
#include "u_Registry.h"

#include <QFile>
#include <QSettings>
#include <algorithm>

namespace {

const std::string KEditor = "Software\\Brevant\\Quarvel\\Editor";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        FFile = FDir.filePath("Quarvel.conf").toStdString();
        SetRegistryFileName(FFile);
    }
    void TearDown() override { SetRegistryFileName(std::string()); }

    QTemporaryDir FDir;
    std::string FFile;
};

TEST_F(RegistryTest, ValuesOfEachKindReadBackAsWritten) {
    WriteRegString(KEditor, "LastTip", "Tip 3.htm");
    WriteRegInteger(KEditor, "TipsStartupAction", 2);
    WriteRegInteger(KEditor, "Negative", -17);
    const std::string binary("\x2C\0\0\0\xFF\x01", 6);
    WriteRegBinary(KEditor, "SizeAndPos", binary);
    WriteRegString(KEditor, "Empty", "");

    EXPECT_EQ(ReadRegString(KEditor, "LastTip"), "Tip 3.htm");
    EXPECT_EQ(ReadRegInteger(KEditor, "TipsStartupAction", 0), 2);
    EXPECT_EQ(ReadRegInteger(KEditor, "Negative", 0), -17);
    EXPECT_EQ(ReadRegBinary(KEditor, "SizeAndPos"), binary);
    EXPECT_TRUE(RegValueExists(KEditor, "Empty"));
    EXPECT_EQ(ReadRegString(KEditor, "Empty"), "");
    // An empty binary value exists and is empty, which differs from a missing one.
    WriteRegBinary(KEditor, "Nothing", std::string());
    ASSERT_TRUE(ReadRegBinary(KEditor, "Nothing").has_value());
    EXPECT_TRUE(ReadRegBinary(KEditor, "Nothing")->empty());
    EXPECT_FALSE(ReadRegBinary(KEditor, "Missing").has_value());
}

TEST_F(RegistryTest, StringsKeepEveryByte) {
    const std::string utf8 = "Caf\xC3\xA9 \"quoted\" ; = \\ @start\r\nline";
    const std::string latin1 = "caf\xE9 \x80\xFF";
    WriteRegString(KEditor, "Utf8", utf8);
    WriteRegString(KEditor, "Bytes", latin1);
    WriteRegString(KEditor, "At", "@ByteArray(x)");
    EXPECT_EQ(ReadRegString(KEditor, "Utf8"), utf8);
    EXPECT_EQ(ReadRegString(KEditor, "Bytes"), latin1);
    EXPECT_EQ(ReadRegString(KEditor, "At"), "@ByteArray(x)");
}

TEST_F(RegistryTest, MissingKeysAndValuesGiveEmptyOrDefault) {
    EXPECT_EQ(ReadRegString("Software\\Nowhere", "X"), "");
    EXPECT_EQ(ReadRegInteger("Software\\Nowhere", "X", 42), 42);
    EXPECT_FALSE(RegKeyExists("Software\\Nowhere"));
    WriteRegString(KEditor, "Text", "12abc");
    EXPECT_EQ(ReadRegInteger(KEditor, "Text", 7), 7) << "a string that is no number";
    WriteRegString(KEditor, "Number", "12");
    EXPECT_EQ(ReadRegInteger(KEditor, "Number", 7), 12);
    WriteRegBinary(KEditor, "Blob", "12");
    EXPECT_EQ(ReadRegInteger(KEditor, "Blob", 7), 7) << "binary is not an integer";
    WriteRegInteger(KEditor, "Int", 5);
    EXPECT_FALSE(ReadRegBinary(KEditor, "Int").has_value());
    EXPECT_EQ(ReadRegString(KEditor, "Int"), "5");
}

TEST_F(RegistryTest, KeyAndValueNamesIgnoreLetterCase) {
    WriteRegString("Software\\Brevant\\Quarvel\\Branding", "ActiveControl", "nil");
    EXPECT_EQ(ReadRegString("SOFTWARE\\brevant\\QUARVEL\\branding", "activecontrol"), "nil");
    // Writing through another spelling replaces the value instead of adding a twin.
    WriteRegString("software\\BREVANT\\quarvel\\BRANDING", "ACTIVECONTROL", "btnOpen");
    EXPECT_EQ(ReadRegString("Software\\Brevant\\Quarvel\\Branding", "ActiveControl"), "btnOpen");
    EXPECT_EQ(ReadRegValueNames("Software\\Brevant\\Quarvel\\Branding"),
              std::vector<std::string>{"ActiveControl"});
    EXPECT_EQ(ReadRegSubKeys("Software\\Brevant"), std::vector<std::string>{"Quarvel"});
}

TEST_F(RegistryTest, SubKeysListAndDeleteTakesTheWholeKey) {
    WriteRegString(KEditor + "\\frmMain\\FormProps", "ActiveControl", "nil");
    WriteRegString(KEditor + "\\frmMain\\frmEdit\\FormProps", "ActiveControl", "nil");
    WriteRegString(KEditor, "LastTip", "a.htm");
    auto subKeys = ReadRegSubKeys(KEditor + "\\frmMain");
    std::sort(subKeys.begin(), subKeys.end());
    EXPECT_EQ(subKeys, (std::vector<std::string>{"FormProps", "frmEdit"}));
    EXPECT_TRUE(RegKeyExists(KEditor + "/frmMain/frmEdit")) << "forward slashes separate too";
    DeleteRegKey(KEditor + "\\frmMain");
    EXPECT_FALSE(RegKeyExists(KEditor + "\\frmMain"));
    EXPECT_EQ(ReadRegString(KEditor, "LastTip"), "a.htm");
    DeleteRegValue(KEditor, "lasttip");
    EXPECT_FALSE(RegValueExists(KEditor, "LastTip"));
}

TEST_F(RegistryTest, ValuesPersistInTheSettingsFile) {
    WriteRegString(KEditor, "LastTip", "x.htm");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(FFile)));
    // A fresh reader of the file (another run of the program) sees the value.
    QSettings other(QString::fromStdString(FFile), QSettings::IniFormat);
    EXPECT_EQ(other.value("Software/Brevant/Quarvel/Editor/LastTip").toString(), "x.htm");
}

TEST_F(RegistryTest, UnwritableStoreWritesNothingAndDoesNotFail) {
    // The settings file's folder is a plain file: the store cannot be created.
    QFile blocker(FDir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SetRegistryFileName(FDir.filePath("blocker/Quarvel.conf").toStdString());
    WriteRegString(KEditor, "LastTip", "x.htm");
    WriteRegInteger(KEditor, "N", 1);
    EXPECT_EQ(ReadRegString(KEditor, "LastTip"), "");
    EXPECT_FALSE(TRegistryKey(KEditor, false).Opened());
}

} // namespace

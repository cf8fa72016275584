// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/dbrecord.h"

#include "platform/fs/appfolder.h"
#include "platform/text/codec.h"
#include "platform/syserror.h"
#include "support/temptree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using morvik::dbrecord;
using morvik::recordvalue;
using morvik::platform::SysError;
using morvik::test::readAll;
using morvik::test::TempTree;

namespace
{

// A record as raw bytes: each field padded with spaces to its width.
std::string rawrecord(std::string key, std::string value, std::string note)
{
    key.resize(20, ' ');
    value.resize(600, ' ');
    note.resize(80, ' ');
    return key + value + note;
}

std::string repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

std::vector<std::string> pieces(const std::string& record)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t at = record.find("|$|"); at != std::string::npos; at = record.find("|$|", start)) {
        out.push_back(record.substr(start, at - start));
        start = at + 3;
    }
    out.push_back(record.substr(start));
    return out;
}

} // namespace

TEST(Dbrecord, NewModifiedAndAppendedRecords)
{
    TempTree tree;
    const std::string db = tree.path("db.dat");

    EXPECT_EQ(dbrecord(db, "addfile", true, "/srv/site/", ""), "newrec");
    EXPECT_EQ(readAll(db), rawrecord("addfile", "/srv/site/", ""));

    const std::string read = dbrecord(db, "addfile", false);
    EXPECT_EQ(read, "addfile|$|/srv/site/|$|");
    EXPECT_EQ(pieces(read), (std::vector<std::string>{"addfile", "/srv/site/", ""}));
    EXPECT_EQ(recordvalue(read), "/srv/site/");

    // A shorter value and another note replace the old ones completely.
    EXPECT_EQ(dbrecord(db, "addfile", true, "/a/", "note"), "modrec");
    EXPECT_EQ(readAll(db), rawrecord("addfile", "/a/", "note"));

    EXPECT_EQ(dbrecord(db, "appendtype", true, "html|htm", "设置要追加内容的文件类型"), "apprec");
    const std::string bytes = readAll(db);
    ASSERT_EQ(bytes.size(), 1400u);
    EXPECT_EQ(bytes.substr(700, 20), "appendtype          ");
    EXPECT_EQ(bytes.substr(1320, 24), "\xC9\xE8\xD6\xC3\xD2\xAA\xD7\xB7\xBC\xD3\xC4\xDA\xC8\xDD"
                                      "\xB5\xC4\xCE\xC4\xBC\xFE\xC0\xE0\xD0\xCD");
    EXPECT_EQ(dbrecord(db, "appendtype", false),
              "appendtype|$|html|htm|$|设置要追加内容的文件类型");
    EXPECT_EQ(dbrecord(db, "addfile", false), "addfile|$|/a/|$|note");

    EXPECT_EQ(dbrecord(db, "appendtype", true, "txt", ""), "modrec");
    EXPECT_EQ(readAll(db).size(), 1400u);
    EXPECT_EQ(recordvalue(dbrecord(db, "appendtype", false)), "txt");
}

TEST(Dbrecord, MissingOrEmptyFile)
{
    TempTree tree;
    const std::string db = tree.path("db.dat");

    // A read creates the file empty.
    EXPECT_EQ(dbrecord(db, "c_pst", false), "");
    ASSERT_TRUE(tree.exists("db.dat"));
    EXPECT_EQ(readAll(db), "");

    EXPECT_EQ(dbrecord(db, "c_pst", true, "x", ""), "newrec");
    EXPECT_EQ(readAll(db).size(), 700u);
    EXPECT_EQ(dbrecord(db, "s_file", false), "");
}

TEST(Dbrecord, KeysMatchExactlyAfterTrimming)
{
    TempTree tree;
    const std::string db = tree.path("db.dat");
    dbrecord(db, "CURL", true, "  a##b  ", "  保存生成URl的值 ");
    EXPECT_EQ(dbrecord(db, "CURL", false), "CURL|$|a##b|$|保存生成URl的值");
    EXPECT_EQ(dbrecord(db, "curl", false), "");
    EXPECT_EQ(dbrecord(db, "curl", true, "x", ""), "apprec");
    EXPECT_EQ(readAll(db).size(), 1400u);

    // The stored key loses its surrounding spaces before the comparison; the argument
    // does not.
    EXPECT_EQ(dbrecord(db, " lead", true, "v", ""), "apprec");
    EXPECT_EQ(dbrecord(db, "lead", false), "lead|$|v|$|");
    EXPECT_EQ(dbrecord(db, " lead", false), "");
}

TEST(Dbrecord, FieldsAreCutAtWholeCharacters)
{
    TempTree tree;
    const std::string db = tree.path("db.dat");

    dbrecord(db, "ascii", true, std::string(700, 'v'), std::string(100, 'n'));
    EXPECT_EQ(dbrecord(db, "ascii", false),
              "ascii|$|" + std::string(600, 'v') + "|$|" + std::string(80, 'n'));

    dbrecord(db, "chinese", true, repeat("中", 400), repeat("文", 50));
    EXPECT_EQ(dbrecord(db, "chinese", false),
              "chinese|$|" + repeat("中", 300) + "|$|" + repeat("文", 40));

    // One ASCII byte first: the 300th character would straddle the end, so it goes and
    // its first byte's place is a space.
    dbrecord(db, "odd", true, "a" + repeat("中", 400), "");
    const std::string bytes = readAll(db);
    ASSERT_EQ(bytes.size(), 2100u);
    const std::string value = bytes.substr(1400 + 20, 600);
    EXPECT_EQ(value.substr(0, 3), "a\xD6\xD0");
    EXPECT_EQ(value.substr(597), "\xD6\xD0 ");
    EXPECT_EQ(recordvalue(dbrecord(db, "odd", false)), "a" + repeat("中", 299));

    // A four-byte character never straddles the end either.
    dbrecord(db, "emoji", true, std::string(598, 'x') + "😀", "");
    EXPECT_EQ(readAll(db).substr(2100 + 20 + 598, 2), "  ");
    EXPECT_EQ(recordvalue(dbrecord(db, "emoji", false)), std::string(598, 'x'));
    dbrecord(db, "emoji", true, std::string(596, 'x') + "😀", "");
    EXPECT_EQ(recordvalue(dbrecord(db, "emoji", false)), std::string(596, 'x') + "😀");

    // A Chinese key of 10 characters fills its field exactly and is found again.
    const std::string key = repeat("键", 10);
    EXPECT_EQ(dbrecord(db, key, true, "v", ""), "apprec");
    EXPECT_EQ(dbrecord(db, key, true, "w", ""), "modrec");
    EXPECT_EQ(recordvalue(dbrecord(db, key, false)), "w");
}

TEST(Dbrecord, OverlongKeyAppendsEveryTime)
{
    TempTree tree;
    const std::string db = tree.path("db.dat");
    const std::string key = "a_key_longer_than_twenty";
    EXPECT_EQ(dbrecord(db, key, true, "1", ""), "newrec");
    EXPECT_EQ(dbrecord(db, key, true, "2", ""), "apprec");
    EXPECT_EQ(dbrecord(db, key, true, "3", ""), "apprec");
    const std::string bytes = readAll(db);
    ASSERT_EQ(bytes.size(), 2100u);
    EXPECT_EQ(bytes.substr(1400, 20), key.substr(0, 20));
    EXPECT_EQ(dbrecord(db, key, false), "");
    // The cut key itself is found: it is the first of the three.
    EXPECT_EQ(recordvalue(dbrecord(db, key.substr(0, 20), false)), "1");
}

TEST(Dbrecord, FileWithAPartialRecord)
{
    struct Case {
        size_t length;
        size_t newrecord; // where a new key goes
        size_t finallength;
    };
    // The record number is the floating-point count plus one, rounded half to even.
    const std::vector<Case> cases = {
        {280, 1, 700}, {350, 2, 1400}, {1050, 2, 1400}, {1120, 3, 2100}, {2450, 4, 2800},
    };
    for (const auto& c : cases) {
        TempTree tree;
        std::string bytes = rawrecord("a", "first", "") + rawrecord("b", "second", "") +
                            rawrecord("c", "third", "") + rawrecord("d", "fourth", "");
        bytes.resize(c.length);
        const std::string db = tree.createFile("db.dat", bytes);
        const size_t whole = c.length / 700;

        // Only whole records are read.
        EXPECT_EQ(recordvalue(dbrecord(db, "a", false)), whole >= 1 ? "first" : "") << c.length;
        EXPECT_EQ(recordvalue(dbrecord(db, "b", false)), whole >= 2 ? "second" : "") << c.length;
        EXPECT_EQ(recordvalue(dbrecord(db, "d", false)), "") << c.length;

        EXPECT_EQ(dbrecord(db, "new", true, "value", ""), "apprec") << c.length;
        const std::string after = readAll(db);
        ASSERT_EQ(after.size(), c.finallength) << c.length;
        EXPECT_EQ(after.substr((c.newrecord - 1) * 700), rawrecord("new", "value", "")) << c.length;
        EXPECT_EQ(recordvalue(dbrecord(db, "new", false)), "value") << c.length;
    }
}

// A save whose key is in the record cut short at the end completes that record, so the
// value saved is the value read back.
TEST(Dbrecord, SaveIntoTheCutRecordIsReadBack)
{
    for (const size_t length : {502u, 1050u, 1400u + 30u}) {
        TempTree tree;
        std::string bytes = rawrecord("a", "first", "") + rawrecord("b", "second", "") +
                            rawrecord("c", "third", "");
        bytes.resize(length);
        const std::string db = tree.createFile("db.dat", bytes);
        const std::string cut = length < 700 ? "a" : length < 1400 ? "b" : "c";
        EXPECT_EQ(dbrecord(db, cut, true, "saved", ""), "modrec") << length;
        EXPECT_EQ(recordvalue(dbrecord(db, cut, false)), "saved") << length;
        EXPECT_EQ(readAll(db).size() % 700, 0u) << length;
    }
}

TEST(Dbrecord, BytesThatAreNotGbkSurviveAReadAndWriteBack)
{
    TempTree tree;
    const std::string original = rawrecord("s_file", "/data/\x80\xFF\xD6.txt", "\xA1");
    const std::string db = tree.createFile("db.dat", original);

    const std::string read = dbrecord(db, "s_file", false);
    const std::vector<std::string> parts = pieces(read);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(morvik::platform::displayable(parts[1]),
              "/data/\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.txt");
    EXPECT_EQ(dbrecord(db, "s_file", true, parts[1], parts[2]), "modrec");
    EXPECT_EQ(readAll(db), original);
}

TEST(Dbrecord, FailuresNameTheFile)
{
    TempTree tree;
    const std::string folder = tree.createDir("db.dat");
    for (const bool write : {false, true}) {
        try {
            dbrecord(folder, "k", write, "v", "");
            ADD_FAILURE() << "no error for a folder";
        } catch (const SysError& e) {
            EXPECT_EQ(e.path(), folder);
            EXPECT_NE(std::string(e.what()).find(folder), std::string::npos);
        }
    }

    const std::string nofolder = tree.path("missing/db.dat");
    EXPECT_THROW(dbrecord(nofolder, "k", true, "v", ""), SysError);
    EXPECT_FALSE(tree.exists("missing"));

    {
        // Read-only for root too, as every other rewrite is.
        const std::string db = tree.createFile("ro/db.dat", rawrecord("k", "v", ""));
        tree.setMode("ro/db.dat", 0444);
        try {
            dbrecord(db, "k", true, "w", "");
            ADD_FAILURE() << "no error for a read-only file";
        } catch (const SysError& e) {
            EXPECT_EQ(e.path(), db);
        }
        EXPECT_EQ(readAll(db), rawrecord("k", "v", ""));
    }
}

TEST(Dbrecord, StoreLivesInTheDataFolder)
{
    TempTree tree;
    morvik::platform::setappfolderfortesting(tree.root());
    const std::string path = morvik::dbpath();
    EXPECT_EQ(dbrecord(path, "folderoption", true, "all", ""), "newrec");
    morvik::platform::setappfolderfortesting({});
    EXPECT_EQ(path, tree.path("db.dat"));
    EXPECT_EQ(readAll(tree.path("db.dat")).size(), 700u);
}

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "test_support.h"
#include "wad/wad_image.h"

namespace {

TestLump Lump(const std::string& name, const std::string& content = "") {
    return {name, Bytes(content.begin(), content.end())};
}

// Test processes may run side by side: each writes its own files.
std::string TempWad(const std::string& stem, const Bytes& bytes) {
    return WriteTempFile(stem + "-" + std::to_string(getpid()) + ".wad", bytes);
}

constexpr uint32_t kUntouchedSize = 0xABCD;

// The content of the lump found, or "null" (lumpSize left alone); what was printed goes to *printed.
std::string Find(const Bytes& wad, const char* mapName, const char* lumpName, std::string* printed = nullptr) {
    WadImage* image = WadImageFromBytes(wad.data(), wad.size());
    uint32_t size = kUntouchedSize;
    testing::internal::CaptureStdout();
    const uint8_t* data = FindLump(mapName, lumpName, &size, &image);
    std::string output = testing::internal::GetCapturedStdout();
    if (printed)
        *printed = output;
    else
        EXPECT_EQ(output, "");
    std::string result = data ? std::string(data, data + size) : size == kUntouchedSize ? "null" : "size written";
    FreeWadImage(image);
    return result;
}

std::string Find(const std::vector<TestLump>& lumps, const char* mapName, const char* lumpName) {
    return Find(BuildWad(lumps), mapName, lumpName);
}

std::string Printed(const Bytes& wad) {
    std::string printed;
    EXPECT_EQ(Find(wad, "E1M1", "THINGS", &printed), "null");
    return printed;
}

void SetUInt32(Bytes& wad, size_t offset, uint32_t value) {
    for (int k = 0; k < 4; ++k) wad[offset + k] = uint8_t(value >> (8 * k));
}

const std::vector<TestLump> kUsualMap = {
    Lump("E1M1", "marker"), Lump("THINGS", "th"), Lump("LINEDEFS", "li"), Lump("SIDEDEFS", "si"),
    Lump("VERTEXES", "ve"), Lump("SEGS", "sg"),   Lump("SSECTORS", "ss"), Lump("NODES", "no"),
    Lump("SECTORS", "se")};

}  // namespace

TEST(LumpLookup, MatchesEntryNamesAsSubstringsOfTheWantedName) {
    EXPECT_EQ(Find(kUsualMap, "E1M1", "SSECTORS"), "ss");
    EXPECT_EQ(Find(kUsualMap, "E1M1", "SECTORS"), "se");   // SSECTORS is longer than the wanted name
    EXPECT_EQ(Find(kUsualMap, "E1M1", "E1M1"), "marker");  // the marker is tested against the lump too
    EXPECT_EQ(Find(kUsualMap, "E1M1", "REJECT"), "null");
    EXPECT_EQ(Find(kUsualMap, "E1M2", "THINGS"), "null");
    EXPECT_EQ(Find({Lump("E1M1"), Lump("SECTORS", "se"), Lump("SSECTORS", "ss")}, "E1M1", "SSECTORS"), "se");
    // Eight-character names are matched on all eight, and never by a shorter wanted name.
    std::vector<TestLump> eight = {Lump("ABCDEFGH"), Lump("VERTEXEZ", "z"), Lump("VERTEXES", "ve")};
    EXPECT_EQ(Find(eight, "ABCDEFGH", "VERTEXES"), "ve");
    EXPECT_EQ(Find(eight, "ABCDEFGH", "VERTEXE"), "null");
    // A found lump of size 0 still points into the image.
    EXPECT_EQ(Find({Lump("E1M1"), Lump("THINGS")}, "E1M1", "THINGS"), "");
}

TEST(LumpLookup, StartsLookingForTheLumpAtTheMarker) {
    EXPECT_EQ(Find({Lump("THINGS", "early"), Lump("E1M2"), Lump("E1M1"), Lump("THINGS", "th")}, "E1M1", "THINGS"),
              "th");
    for (const char* part : {"E1", "M1"})  // parts of the map name count as the marker
        EXPECT_EQ(Find({Lump(part), Lump("THINGS", "early"), Lump("E1M1"), Lump("THINGS", "th")}, "E1M1", "THINGS"),
                  "early")
            << part;
    // An empty name matches anything: before the marker it is the marker and the lump at once.
    EXPECT_EQ(Find({Lump("", "empty"), Lump("E1M1"), Lump("THINGS", "th")}, "E1M1", "THINGS"), "empty");
    EXPECT_EQ(Find({Lump("E1M1"), Lump("", "empty"), Lump("THINGS", "th")}, "E1M1", "THINGS"), "empty");
    // The scan runs on past the next map's marker.
    std::vector<TestLump> two = {Lump("E1M1"), Lump("THINGS", "t1"), Lump("E1M2"), Lump("VERTEXES", "v2")};
    EXPECT_EQ(Find(two, "E1M1", "VERTEXES"), "v2");
}

TEST(LumpLookup, RejectsFilesThatDoNotHoldTheirDirectory) {
    Bytes good = BuildWad({Lump("E1M1"), Lump("THINGS", "th")});
    EXPECT_EQ(Printed(BuildWad({Lump("E1M1"), Lump("THINGS", "th")}, "WAD2")), "Invalid WAD file\n");
    EXPECT_EQ(Printed(Bytes(good.begin(), good.begin() + 11)), "Invalid WAD file\n");
    EXPECT_EQ(Printed(Bytes(good.begin(), good.end() - 1)), "Invalid WAD file\n");
    Bytes lumpPastEnd = good, directoryPastEnd = good;
    SetUInt32(lumpPastEnd, good.size() - 12, uint32_t(good.size()));  // THINGS' size
    EXPECT_EQ(Printed(lumpPastEnd), "Invalid WAD file\n");
    SetUInt32(directoryPastEnd, 8, 0xFFFFFFF0u);
    EXPECT_EQ(Printed(directoryPastEnd), "Invalid WAD file\n");
    for (uint32_t count : {0u, 0xFFFFFFFFu, 0x80000000u}) {  // an empty directory is no error
        Bytes wad = good;
        SetUInt32(wad, 4, count);
        EXPECT_EQ(Printed(wad), "") << count;
    }
}

TEST(LumpLookup, LoadsTheFileIntoTheCallersPointer) {
    uint32_t size = kUntouchedSize;
    WadImage* image = nullptr;
    auto find = [&](const std::string& path) { return FindLump("E1M1", "THINGS", &size, &image, path.c_str()); };
    testing::internal::CaptureStdout();
    EXPECT_EQ(find("/nonexistent/MISSING.WAD"), nullptr);
    EXPECT_EQ(find("/nonexistent/MISSING.WAD"), nullptr);  // nothing kept, so reported again
    EXPECT_EQ(image, nullptr);
    std::string badId = TempWad("badid", BuildWad({Lump("E1M1"), Lump("THINGS")}, "JUNK"));
    EXPECT_EQ(find(badId), nullptr);
    WadImage* kept = image;
    EXPECT_NE(kept, nullptr);
    EXPECT_EQ(find("/nonexistent/MISSING.WAD"), nullptr);  // the kept image is tested again
    EXPECT_EQ(image, kept);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Unable to open /nonexistent/MISSING.WAD\nUnable to open /nonexistent/MISSING.WAD\n"
              "Invalid WAD file\nInvalid WAD file\n");
    EXPECT_EQ(size, kUntouchedSize);
    FreeWadImage(image);

    image = nullptr;
    std::string path = TempWad("lookup", BuildWad(kUsualMap));
    ASSERT_NE(find(path), nullptr);
    std::remove(path.c_str());  // later lookups reuse the image
    EXPECT_NE(FindLump("E1M1", "NODES", &size, &image, path.c_str()), nullptr);
    EXPECT_EQ(size, 2u);
    FreeWadImage(image);
    std::remove(badId.c_str());
}

TEST(WadImage, HoldsTheFileFollowedByAZeroByte) {
    int32_t fileSize = -1;
    std::string emptyPath = TempWad("empty", {}), sevenPath = TempWad("seven", {'P', 'W', 'A', 'D', 0xFF, 1, 2});
    WadImage* empty = LoadWadImage(emptyPath.c_str(), &fileSize);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(fileSize, 0);
    EXPECT_EQ(empty->bytes[0], 0);
    WadImage* seven = LoadWadImage(sevenPath.c_str(), &fileSize);
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(fileSize, 7);
    EXPECT_EQ(Bytes(seven->bytes, seven->bytes + 8), Bytes({'P', 'W', 'A', 'D', 0xFF, 1, 2, 0}));
    EXPECT_EQ(LoadWadImage("/nonexistent/MISSING.WAD", &fileSize), nullptr);
    EXPECT_EQ(fileSize, 7);
    FreeWadImage(empty), FreeWadImage(seven);
    std::remove(emptyPath.c_str()), std::remove(sevenPath.c_str());
}

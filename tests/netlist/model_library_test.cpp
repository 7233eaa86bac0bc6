#include "netlist/model_library.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/profile.h"
#include "netlist/model_types.h"

using namespace ob7;
namespace fs = std::filesystem;

namespace {

// Little-endian byte writer for hand-made library files of every layout.
struct Bytes {
    std::vector<unsigned char> data;
    void I16(int v) { Raw(static_cast<int16_t>(v)); }
    void I32(int32_t v) { Raw(v); }
    void F32(float v) { Raw(v); }
    void F64(double v) { Raw(v); }
    void Text(const char* s, size_t field) {
        std::vector<char> f(field, 0);
        std::strncpy(f.data(), s, field);
        data.insert(data.end(), f.begin(), f.end());
    }
    void Len16(const char* s) {
        I16(static_cast<int>(std::strlen(s)));
        data.insert(data.end(), s, s + std::strlen(s));
    }
    template <class T> void Raw(T v) {
        auto* p = reinterpret_cast<unsigned char*>(&v);
        data.insert(data.end(), p, p + sizeof v);
    }
    void Header(int32_t version) {
        Text("LBR", 4);
        I32(version);
        Text(kProductName, 12);
        I32(0);
    }
    void Save(const fs::path& path) const {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
    }
};

class ModelLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("ob7_lbr_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string File(const char* name) const { return (dir / name).string(); }
    static double Value(const LibraryModel* m, const char* param) {
        return m->values[FindModelParam(m->modelType, param)];
    }
    fs::path dir;
};

int32_t HeaderVersion(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    char header[24] = {};
    in.read(header, sizeof header);
    int32_t version;
    std::memcpy(&version, header + 4, 4);
    return std::strncmp(header, "LBR", 4) == 0 ? version : -1;
}

}  // namespace

TEST_F(ModelLibraryTest, Version5BipolarIsRemappedAndTheFileConverted) {
    Bytes b;
    b.I16(5); b.I16(1); b.I16(0);
    b.I16(52 * 4); b.Text("q2n_fit", 24); b.I16(kModelNpn); b.Text("fitted", 42);
    for (int i = 0; i < 52; ++i) b.F32(i == 0 ? 1e-14f : static_cast<float>(i + 1) * 0.1f);
    b.Save(dir / "fit.lbr");

    ModelLibrary lib;
    ASSERT_EQ(lib.Load(File("fit.lbr").c_str(), false), 0);
    ASSERT_EQ(lib.Count(), 1);
    const LibraryModel* m = lib.First();
    EXPECT_STREQ(m->name, "Q2N_FIT");
    EXPECT_STREQ(m->memo, "fitted");
    EXPECT_EQ(Value(m, "IS"), 1e-14);      // the float read back as the value typed
    EXPECT_EQ(Value(m, "BF"), 0.2);
    EXPECT_EQ(Value(m, "NC"), 1.3);        // stored 12
    EXPECT_EQ(Value(m, "NK"), 0.5);        // not in the old layout: default
    EXPECT_EQ(Value(m, "NS"), 1.0);
    EXPECT_EQ(Value(m, "RE"), 1.4);        // stored 13 went to 16
    EXPECT_EQ(m->values[54], 5.2);         // T_REL_LOCAL from stored 51

    EXPECT_EQ(HeaderVersion(File("fit.lbr")), kModelLibraryVersion);
    EXPECT_TRUE(fs::exists(dir / "fit.A"));
    ModelLibrary again;
    ASSERT_EQ(again.Load(File("fit.lbr").c_str(), false), 0);
    EXPECT_EQ(Value(again.First(), "RE"), 1.4);
}

TEST_F(ModelLibraryTest, AConvertedLibraryKeepsItsSymbolicLink) {
    Bytes b;
    b.I16(5); b.I16(1); b.I16(0);
    b.I16(52 * 4); b.Text("q2n_fit", 24); b.I16(kModelNpn); b.Text("fitted", 42);
    for (int i = 0; i < 52; ++i) b.F32(0.5f);
    fs::create_directories(dir / "real");
    fs::create_directories(dir / "lib");
    b.Save(dir / "real" / "fit.lbr");
    fs::create_symlink("../real/fit.lbr", dir / "lib" / "fit.lbr");

    ModelLibrary lib;
    ASSERT_EQ(lib.Load(File("lib/fit.lbr").c_str(), false), 0);
    EXPECT_TRUE(fs::is_symlink(dir / "lib" / "fit.lbr"));
    EXPECT_EQ(HeaderVersion(File("real/fit.lbr")), kModelLibraryVersion);
    EXPECT_TRUE(fs::exists(dir / "real" / "fit.A"));  // the old layout, beside the file
    EXPECT_FALSE(fs::exists(dir / "lib" / "fit.A"));
}

TEST_F(ModelLibraryTest, Version4PolarityMemoCountsAndNotGiven) {
    uint32_t notGiven = 0x5D88D14B;
    float notGivenFloat;
    std::memcpy(&notGivenFloat, &notGiven, 4);
    Bytes b;
    b.I16(4); b.I16(3); b.I16(0);
    b.I16(40 * 4); b.Text("QP1", 10); b.I16(kModelNpn); b.Text("PNP part", 42);
    for (int i = 0; i < 40; ++i) b.F32(i == 0 ? 250.0f : i == 9 ? notGivenFloat : 1.0f);
    b.I16(2 * 4); b.Text("TRN1", 10); b.I16(kModelTrn); b.Text("", 42);  // type 7: not read
    b.F32(1); b.F32(2);
    b.I16(1 * 4); b.Text("LONGNAME12345", 10); b.I16(kModelDiode); b.Text("", 42);
    b.F32(2e-9f);
    b.Save(dir / "old.lbr");

    ModelLibrary lib;
    ASSERT_EQ(lib.Load(File("old.lbr").c_str(), false), 0);
    ASSERT_EQ(lib.Count(), 2);
    const LibraryModel* q = lib.First();
    EXPECT_EQ(q->modelType, kModelPnp);
    EXPECT_EQ(Value(q, "BF"), 250.0);
    EXPECT_EQ(Value(q, "VAF"), ParamNotGiven);
    const LibraryModel* d = ModelLibrary::Next(q);
    EXPECT_STREQ(d->name, "LONGNAME12");
    EXPECT_EQ(Value(d, "IS"), 2e-9);
    EXPECT_EQ(Value(d, "RS"), 0.0);  // default
}

TEST_F(ModelLibraryTest, Version5UnknownLayoutKeepsDefaults) {
    Bytes b;
    b.I16(5); b.I16(1); b.I16(0);
    b.I16(10 * 4); b.Text("D1", 24); b.I16(kModelDiode); b.Text("", 42);
    for (int i = 0; i < 10; ++i) b.F32(99.0f);
    b.Save(dir / "d.lbr");
    ModelLibrary lib;
    ASSERT_EQ(lib.Load(File("d.lbr").c_str(), false), 0);
    ASSERT_EQ(lib.Count(), 1);
    EXPECT_EQ(Value(lib.First(), "IS"), 1e-14);
}

TEST_F(ModelLibraryTest, Version60001Level8DropsTheTail) {
    Bytes b;
    b.Header(0x60001);
    for (int i = 0; i < 256; ++i) b.data.push_back(0);
    b.I32(1);
    b.I16(424 * 8); b.Text("MN", 24); b.I16(kModelNmos8); b.Text("", 42);
    for (int i = 0; i < 424; ++i) b.F64(i);
    b.Save(dir / "l8.lbr");
    ModelLibrary lib;
    ASSERT_EQ(lib.Load(File("l8.lbr").c_str(), false), 0);
    const LibraryModel* m = lib.First();
    EXPECT_EQ(m->values[417], 417.0);
    EXPECT_EQ(m->values[418], ModelTypeRow(kModelNmos8).params[418].defaultValue.real);
}

TEST_F(ModelLibraryTest, CurrentLayoutRoundTripsAndMapsNamesOfOtherTables) {
    ModelLibrary lib;
    LibraryModel* d = lib.AddModel(kModelDiode);
    std::strcpy(d->name, "DX");
    std::strcpy(d->memo, "a diode");
    d->values[FindModelParam(kModelDiode, "BV")] = 75;
    LibraryModel* out = lib.AddModel(kModelDOutput);
    std::strcpy(out->name, "ADC1");
    ASSERT_EQ(lib.Save(File("new.lbr").c_str()), 0);
    EXPECT_FALSE(lib.modified);

    ModelLibrary back;
    ASSERT_EQ(back.Load(File("new.lbr").c_str(), false), 0);
    ASSERT_EQ(back.Count(), 2);
    const LibraryModel* d2 = back.First();
    EXPECT_STREQ(d2->name, "DX");
    EXPECT_STREQ(d2->memo, "a diode");
    EXPECT_EQ(0, std::memcmp(d2->values, d->values, sizeof(double) * ModelTypeRow(kModelDiode).paramCount));
    EXPECT_EQ(ModelLibrary::Next(d2)->values[FindModelParam(kModelDOutput, "S1NAME")] ==
                  out->values[FindModelParam(kModelDOutput, "S1NAME")], true);

    // A name block of an older table: an alias and a missing parameter.
    Bytes b;
    b.Header(kModelLibraryVersion);
    for (int i = 0; i < 256; ++i) b.data.push_back(0);
    b.I32(1);
    b.I32(kModelNpn); b.I32(2); b.Len16("VA"); b.Len16("BF");
    b.I32(1);
    b.I16(2 * 8); b.Text("Q1", 24); b.I16(kModelNpn); b.Text("", 42);
    b.F64(55); b.F64(300);
    b.Save(dir / "alias.lbr");
    ModelLibrary a;
    ASSERT_EQ(a.Load(File("alias.lbr").c_str(), false), 0);
    EXPECT_EQ(Value(a.First(), "VAF"), 55.0);
    EXPECT_EQ(Value(a.First(), "BF"), 300.0);
    EXPECT_EQ(Value(a.First(), "IS"), 1e-16);
}

TEST_F(ModelLibraryTest, EmptyLibraryFileLayout) {
    ModelLibrary lib;
    ASSERT_EQ(lib.Save(File("empty.lbr").c_str()), 0);
    EXPECT_EQ(fs::file_size(dir / "empty.lbr"), 24u + 256u + 4u + 4u);
    EXPECT_TRUE(IsModelLibraryFile(File("empty.lbr").c_str()));
}

TEST_F(ModelLibraryTest, SortIsNaturalAndDropsDuplicatesAndNameless) {
    ModelLibrary lib;
    for (const char* name : {"Q2N10000", "Q2N2222", "", "q2n2222"}) std::strcpy(lib.AddModel(kModelNpn)->name, name);
    std::strcpy(lib.AddModel(kModelDiode)->name, "D1");
    lib.Sort();
    ASSERT_EQ(lib.Count(), 3);
    EXPECT_STREQ(lib.FindNth(kModelDiode, 0)->name, "D1");
    EXPECT_EQ(lib.First()->modelType, kModelDiode);
    EXPECT_STREQ(lib.FindNth(kModelNpn, 0)->name, "Q2N2222");
    EXPECT_STREQ(lib.FindNth(kModelNpn, 1)->name, "Q2N10000");
    EXPECT_EQ(FindModelInLibrary(lib, "q2n10000", kModelNpn), 1);
    EXPECT_EQ(FindModelInLibrary(lib, "Q2N10000", kModelPnp), -1);
}

TEST_F(ModelLibraryTest, DamagedFilesFailCleanly) {
    Bytes good;
    good.Header(kModelLibraryVersion);
    for (int i = 0; i < 256; ++i) good.data.push_back(0);
    good.I32(0);
    good.I32(1);
    good.I16(31 * 8); good.Text("D1", 24); good.I16(kModelDiode); good.Text("", 42);
    for (int i = 0; i < 31; ++i) good.F64(1);

    struct Case { const char* name; std::vector<unsigned char> bytes; };
    std::vector<Case> cases;
    cases.push_back({"truncated", {good.data.begin(), good.data.end() - 20}});
    cases.push_back({"short header", {good.data.begin(), good.data.begin() + 10}});
    Bytes wrongTag = good;
    std::memcpy(wrongTag.data.data(), "XYZ", 3);
    cases.push_back({"wrong tag", wrongTag.data});
    Bytes negative;
    negative.I16(5); negative.I16(-3); negative.I16(0);
    cases.push_back({"negative count", negative.data});
    Bytes hugeCount = good;
    std::memcpy(hugeCount.data.data() + 24 + 256 + 4, "\xff\xff\xff\x7f", 4);
    cases.push_back({"huge count", hugeCount.data});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = File("bad.lbr");
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(c.bytes.data()), c.bytes.size());
        ModelLibrary lib;
        EXPECT_NE(lib.Load(file.c_str(), false), 0);
        EXPECT_EQ(lib.Count(), 0);
        EXPECT_EQ(fs::file_size(file), c.bytes.size());  // never rewritten
    }
}

TEST_F(ModelLibraryTest, OldFileIsLeftAloneWhenNoBackupNameIsFree) {
    Bytes b;
    b.I16(5); b.I16(0); b.I16(0);
    b.Save(dir / "full.lbr");
    for (char c = 'A'; c <= 'Z'; ++c) std::ofstream(dir / (std::string("full.") + c)) << "x";
    ModelLibrary lib;
    EXPECT_EQ(lib.Load(File("full.lbr").c_str(), false), 0);
    EXPECT_EQ(fs::file_size(dir / "full.lbr"), 6u);
    EXPECT_EQ(HeaderVersion(File("full.lbr")), -1);
}

TEST(ModelLibraryNames, SanitizeModelName) {
    char text[] = "  q2n 2222-a.b ";
    EXPECT_STREQ(SanitizeModelName(text), "Q2N_2222-A_B");
    EXPECT_FALSE(CanStoreInLibrary(kModelUio));
    EXPECT_TRUE(CanStoreInLibrary(kModelNmos8));
}

// The model-file commands: names, and the save and load dispatch.
#include "files/model_file.h"

#include <gtest/gtest.h>

#include "files/cvn_file.h"
#include "platform/ondrel_error.h"
#include "test_support/temp_dir.h"

namespace ondrel {
namespace {

using test_support::TempDir;

TEST(ModelFile, TheModelNameIsTheFileNameCutAtItsFirstDot) {
    EXPECT_EQ(ModelNameOf("/data/a.b.CVN"), "a");
    EXPECT_EQ(ModelNameOf("ferrocene.MEC"), "ferrocene");
    EXPECT_EQ(ModelNameOf("/data/noext"), "noext");
}

TEST(ModelFile, SavingGoesByTheExtensionExactlyAsTyped) {
    const TModel model = DefaultModel();
    EXPECT_EQ(ModelFileText(model, "/x/m.CVN", ','), WriteCvn(model, ','));
    EXPECT_EQ(ModelFileText(model, "/x/m.MEC", '.').rfind("/*", 0), 0u);
    for (const char* path : {"/x/m.cvn", "/x/m.Mec", "/x/m.txt", "/x/m"}) {
        try {
            ModelFileText(model, path, '.');
            ADD_FAILURE() << path << " was saved";
        } catch (const Exception& error) {
            // The message says how a model's extension is written.
            EXPECT_EQ(std::string(error.what()).rfind("Extension non reconnue: ", 0), 0u)
                << error.what();
            EXPECT_TRUE(std::string(error.what()).find("in capitals") != std::string::npos);
        }
    }
}

TEST(ModelFile, LoadingGoesByTheExtensionInUpperCase) {
    TempDir dir;
    TModel saved = DefaultModel();
    saved.temperature = 310;
    const std::string lower = dir.write("m.cvn", WriteCvn(saved, '.'));
    TModel model = DefaultModel();
    EXPECT_TRUE(LoadModelFile(lower, model, '.'));
    EXPECT_EQ(model.temperature, 310);

    TModel untouched = DefaultModel();
    EXPECT_FALSE(LoadModelFile(dir.write("m.txt", WriteCvn(saved, '.')), untouched, '.'));
    EXPECT_EQ(untouched, DefaultModel());

    // A failure names the file and changes nothing.
    const std::string broken = dir.write("broken.CVN", "General:\r\n300\r\nwarm\r\n");
    try {
        LoadModelFile(broken, untouched, '.');
        ADD_FAILURE() << "a broken file loaded";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(),
                     "broken.CVN: Line 3: 'warm' is not a valid floating point value");
    }
    EXPECT_EQ(untouched, DefaultModel());
}

}  // namespace
}  // namespace ondrel

// The panes' models: the contents list filled as the Workspace fills it, each name decrypted once
// per fill and never for sorting or showing, the engine's column texts, and no rows - in the list or
// below the archive in the tree - while the catalogue changes.
#include "FakePaneHost.h"

#include "ContentsModel.h"
#include "TreeModel.h"

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

class ContentsModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        archive = &host.Add("photos");
        FakePaneHost::Folder(*archive, 0, "Zoo");
        FakePaneHost::Folder(*archive, 0, "alpha");
        host.Images(*archive, 0, {"b.jpg", "A.jpg", "c.png"});
        host.currentArchive = 1;
    }

    void Fill(ContentsModel& model) {
        model.RemoveAll();
        model.ShowFolder(1, 0);
        for (int number : FakePaneHost::Children(*archive, 0)) {
            model.InsertEntry(number);
        }
        model.EndFill();
    }

    static std::vector<std::string> Names(const ContentsModel& model) {
        std::vector<std::string> names;
        for (int i = 0; i < model.rowCount(); ++i) {
            names.push_back(model.data(model.index(i, ContentsModel::kName)).toString().toStdString());
        }
        return names;
    }

    FakePaneHost host;
    CCodeArchive* archive = nullptr;
};

TEST_F(ContentsModelTest, NamesAreDecryptedOncePerFillNeverToSortOrShow) {
    ContentsModel model(host);
    Fill(model);
    ASSERT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.nameReads(), 5u);

    model.Sort(0);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"alpha", "Zoo", "A.jpg", "b.jpg", "c.png"}));
    model.Sort(1);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"c.png", "b.jpg", "A.jpg", "Zoo", "alpha"}));
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < ContentsModel::kColumnCount; ++column) {
            model.data(model.index(row, column));
        }
    }
    EXPECT_EQ(model.nameReads(), 5u);

    // The other columns are the engine's texts.
    const int png = 0; // c.png, first of the descending order
    const EntryIndex index = EntryIndex::OfNumber(model.NumberAt(png));
    for (int column = ContentsModel::kSize; column < ContentsModel::kColumnCount; ++column) {
        EXPECT_EQ(model.data(model.index(png, column)).toString().toStdString(),
                  archive->GetText(index, ContentsModel::ColumnField(column)))
            << "column " << column;
    }

    Fill(model);
    EXPECT_EQ(model.nameReads(), 10u);
}

TEST_F(ContentsModelTest, RowsGoAtTheNotificationAndNothingIsReadFromAnotherGeneration) {
    ContentsModel model(host);
    Fill(model);
    int rowsInFlux = -1;
    host.engine.aboutToChange = [&](CCodeArchive& changing) {
        model.CatalogueAboutToChange(&changing);
        rowsInFlux = model.rowCount();
    };
    host.engine.changed = [&](CCodeArchive& changing) { model.CatalogueChanged(&changing); };
    FakePaneHost::Folder(*archive, 0, "New Folder");
    EXPECT_EQ(rowsInFlux, 0);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.Archive(), nullptr);
    Fill(model);
    EXPECT_EQ(model.rowCount(), 6);

    // A catalogue that changed without a word to the model: the rows it holds read nothing.
    host.engine.aboutToChange = nullptr;
    host.engine.changed = nullptr;
    FakePaneHost::Folder(*archive, 0, "Unannounced");
    EXPECT_EQ(model.Archive(), nullptr);
    const uint64_t reads = model.nameReads();
    model.InsertEntry(2);
    model.UpdateEntry(model.NumberAt(0));
    EXPECT_EQ(model.nameReads(), reads);
    EXPECT_TRUE(model.data(model.index(0, ContentsModel::kSize)).toString().isEmpty());
}

TEST_F(ContentsModelTest, SortingKeepsTheSelectionWithItsRows) {
    ContentsModel model(host);
    Fill(model);
    model.Sort(0);
    QPersistentModelIndex held(model.index(2, 0)); // A.jpg
    const int number = model.NumberAt(2);
    model.Sort(1);
    ASSERT_TRUE(held.isValid());
    EXPECT_EQ(model.NumberAt(held.row()), number);
}

TEST_F(ContentsModelTest, TheTreeLeavesAnArchivesFoldersOutWhileItsCatalogueChanges) {
    TreeModel tree(host);
    tree.Rebuild();
    ASSERT_EQ(tree.rowCount(tree.index(0, 0)), 3); // alpha, Zoo, Recycle Bin
    int childrenInFlux = -1;
    host.engine.aboutToChange = [&](CCodeArchive& changing) {
        tree.CatalogueAboutToChange(&changing);
        childrenInFlux = tree.rowCount(tree.index(0, 0));
    };
    host.engine.changed = [&](CCodeArchive& changing) {
        tree.CatalogueChanged(&changing);
        tree.Rebuild();
    };
    FakePaneHost::Folder(*archive, 0, "beta");
    EXPECT_EQ(childrenInFlux, 0);
    EXPECT_EQ(tree.rowCount(tree.index(0, 0)), 4);
}

} // namespace

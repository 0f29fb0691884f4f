// A main window in a folder of its own, with message boxes answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <deque>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/Messages.h"
#include "app/TabrovaUnit.h"

namespace tabrova::app::testing {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("tabrova-app-" + std::to_string(QCoreApplication::applicationPid()) + "-" +
                   std::to_string(counter_++));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        previousHandler_ = setMessageHandler([this](const MessageRequest& request) {
            messages_.push_back(request);
            if (request.kind != MessageKind::question) return MessageAnswer::ok;
            if (answers_.empty()) {
                ADD_FAILURE() << "unexpected question: " << request.text.toStdString();
                return MessageAnswer::no;
            }
            const MessageAnswer answer = answers_.front();
            answers_.pop_front();
            return answer;
        });
        createForm();
    }

    void TearDown() override {
        if (form_) {
            form_->close();
            form_.reset();
        }
        setMessageHandler(std::move(previousHandler_));
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    ProgramFiles files() const {
        ProgramFiles files;
        files.folder = folder_;
        files.settingsFile = folder_ / "tabrova.ini";
        files.targetListFile = folder_ / "TargetCAD_APIVersion.txt";
        files.dxfFile = folder_ / "tabrova.dxf";
        return files;
    }

    void createForm() {
        form_ = std::make_unique<TForm1>(files());
        form_->show();
        QApplication::processEvents();
    }

    template <class T>
    T* find(const char* name) const {
        T* widget = form_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    // Clicks a fixed cell: a column caption (col, 0), a row caption (0, row) or the corner.
    void clickFixedCell(int col, int row) {
        StringGrid* grid = form_->StringGrid1;
        if (col == 0 && row == 0) {
            grid->findChild<QAbstractButton*>()->click();
        } else if (row == 0) {
            QHeaderView* header = grid->horizontalHeader();
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(col - 1) + 4, 4));
        } else {
            QHeaderView* header = grid->verticalHeader();
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(4, header->sectionViewportPosition(row - 1) + 4));
        }
    }

    void clickCell(int col, int row) {
        StringGrid* grid = form_->StringGrid1;
        const QRect rect = grid->visualRect(grid->gridModel()->index(row - 1, col - 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
    }

    static inline int counter_ = 0;
    std::filesystem::path folder_;
    std::unique_ptr<TForm1> form_;
    std::vector<MessageRequest> messages_;
    std::deque<MessageAnswer> answers_;
    MessageHandler previousHandler_;
};

}  // namespace tabrova::app::testing

// Helpers of the wizard and options dialog tests: a project over the editor's core with
// every question and file dialog answered here and remembered, and picture files.
#pragma once

#include "ui_helpers.h"
#include "u_Dialogs.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class WizardFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Core = std::make_unique<TEditorCore>();
        Core->Project().NewProject();
        Host().Questions.clear();
        SetDialogAnswerer([this](TDialogRequest& Request) {
            Asked.push_back(Request);
            if (Request.Kind == "message")
                return MessageAnswer;
            const auto it = FileAnswers.find(Request.Kind);
            if (it == FileAnswers.end() || it->second.empty())
                return QMessageBox::Cancel;
            Request.Value = it->second;
            return QMessageBox::Ok;
        });
    }
    void TearDown() override {
        SetDialogAnswerer(nullptr);
        ProcessEvents();
    }

    TBookProject& Project() { return Core->Project(); }
    TPresetProjectHost& Host() { return *Core->PresetHost(); }
    TMFS& System() { return Project().SystemStore(); }
    // The text of a file of the system store, empty when there is none.
    std::string SystemText(const std::string& Path) {
        return Project().SystemFile(Path).value_or(std::string());
    }

    // The messages asked so far (texts only).
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const TDialogRequest& r : Asked)
            if (r.Kind == "message")
                texts.push_back(r.Text);
        return texts;
    }

    // A file of a temporary folder of the test with the given bytes.
    std::string TempFile(const std::string& Name, const std::string& Bytes) {
        const std::string path = Temp.filePath(QString::fromStdString(Name)).toStdString();
        std::ofstream(path, std::ios::binary) << Bytes;
        return path;
    }

    static std::string Encoded(const QImage& Image, const char* Format) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        Image.save(&buffer, Format, 95);
        return bytes.toStdString();
    }

    // A 60 x 30 picture, red at the left and blue at the right.
    static QImage TwoColours() {
        QImage image(60, 30, QImage::Format_RGB32);
        image.fill(QColor(200, 30, 30));
        for (int y = 0; y < 30; ++y)
            for (int x = 30; x < 60; ++x)
                image.setPixel(x, y, qRgb(20, 40, 220));
        return image;
    }

    std::unique_ptr<TEditorCore> Core;
    QTemporaryDir Temp;
    std::vector<TDialogRequest> Asked;
    QMessageBox::StandardButton MessageAnswer = QMessageBox::Ok;
    // The answer of a file dialog by kind ("open", "save", "folder"); none cancels it.
    std::map<std::string, std::string> FileAnswers;
};

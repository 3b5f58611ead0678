#pragma once
// A started window over the recording platform, with shorthands for drops.

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "ui/form1.h"

namespace quill::test {

class FormTest : public ::testing::Test {
protected:
    explicit FormTest(std::uint32_t codePage = 932) : platform(codePage), form(platform) {
        form.Form_Load();
        platform.log.clear();
    }

    void drop(std::vector<std::u16string> files) {
        form.Form_OLEDragDrop(DropData{true, std::move(files)});
    }

    [[nodiscard]] std::vector<std::u16string> entries(const StringList& list) const {
        std::vector<std::u16string> out;
        for (int i = 0; i < list.count(); ++i) out.push_back(list.item(i));
        return out;
    }

    FakePlatform platform;
    Form1 form;
};

}  // namespace quill::test

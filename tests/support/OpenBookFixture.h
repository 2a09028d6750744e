// Books written into a test device's root, opened through folder slot 5 with
// an empty user folder ("\NAME").
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "book/BookState.h"
#include "encode/BookWriter.h"
#include "platform/Device.h"
#include "platform/Text.h"
#include "support/TestDevice.h"

namespace inkvista {

class BookFileTest : public ::testing::Test {
  protected:
    void Put(const std::string& name, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(encode::WriteFile((test_.root() / name).string(), bytes));
    }
    void Put(const std::string& name, const encode::BookPlan& plan) {
        Put(name, encode::BuildBook(plan));
    }
    const std::vector<std::u16string>& Shown() { return test_.messages().shown(); }

    static encode::PagePlan GreyPage(uint32_t width, uint32_t height) {
        encode::PagePlan page;
        page.width = width;
        page.height = height;
        page.palette = {0, 0, 0, 255, 255, 255};
        page.packed = {1, 2, 3};
        return page;
    }

    TestDevice test_;
    BookFolders folders_;  // all empty: slot 5 is the device root
};

}  // namespace inkvista

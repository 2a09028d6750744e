// The state file's JSON against Qt's own writer, which wrote it before: the
// same values must give the same bytes.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <random>

#include "models/Json.h"

namespace inkvista {
namespace {

TEST(StateJson, TextsOfEveryKindComeOutAsQtWritesThem) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> unit(0, 0xFFFF);
    std::uniform_int_distribution<int> ascii(0, 0x7F);
    std::uniform_int_distribution<int> length(0, 12);
    JsonValue ours;
    QJsonObject theirs;
    JsonValue& list = ours["texts"] = JsonValue::Array();
    QJsonArray theirList;
    for (int i = 0; i < 2000; ++i) {
        std::u16string text;
        const int n = length(random);
        for (int k = 0; k < n; ++k) {
            // Mostly ASCII and control characters, with any unit among them,
            // surrogates and their halves included.
            text.push_back(static_cast<char16_t>(k % 3 == 0 ? unit(random) : ascii(random)));
        }
        list.Append(text);
        theirList.append(QString::fromStdU16String(text));
        ours["k" + std::to_string(i)] = i - 1000;
        theirs[QStringLiteral("k%1").arg(i)] = i - 1000;
    }
    theirs[QStringLiteral("texts")] = theirList;
    const QByteArray expected = QJsonDocument(theirs).toJson(QJsonDocument::Indented);
    EXPECT_EQ(ours.ToText(), expected.toStdString());
}

}  // namespace
}  // namespace inkvista

#include "app/UrlCommand.h"

#include <gtest/gtest.h>

namespace {

TEST(UrlCommand, ParsesCommandAndOptionsTable) {
    struct Case {
        const char* url;
        const char* command;
        UrlCommand::Options options;
    };
    const Case cases[] = {
        {"jobslate://goto?card=ABC", "goto", {{"card", QStringLiteral("ABC")}}},
        {"jobslate://goto?card=A&item=B",
         "goto",
         {{"card", QStringLiteral("A")}, {"item", QStringLiteral("B")}}},
        {"jobslate://goto", "goto", {}},
        {"jobslate://goto?card", "goto", {{"card", std::nullopt}}},
        {"jobslate://goto?card=", "goto", {{"card", QString()}}},
        {"jobslate://goto?card=A=B", "goto", {{"card", QStringLiteral("A")}}},
        {"jobslate://goto?card=A&card=B", "goto", {{"card", QStringLiteral("B")}}},
        {"jobslate://goto?card=%C3%A9t%C3%A9%20x&k%26=v%3D",
         "goto",
         {{"card", QStringLiteral("été x")}, {"k&", QStringLiteral("v=")}}},
        {"other://open?x=1", "open", {{"x", QStringLiteral("1")}}},
    };
    for (const Case& c : cases) {
        const UrlCommand::Link link = UrlCommand::parse(QUrl(QString::fromUtf8(c.url)));
        EXPECT_EQ(link.command, QString::fromUtf8(c.command)) << c.url;
        EXPECT_EQ(link.options, c.options) << c.url;
    }
}

} // namespace

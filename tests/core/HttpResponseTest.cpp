#include "core/HttpTransport.h"

#include <gtest/gtest.h>

namespace nimbral {
namespace {

TEST(HttpResponse, HeaderLookupIsCaseInsensitiveAndTakesTheFirst)
{
    THttpResponse R;
    R.Headers = {{"Content-Type", "text/html"}, {"X-A", "1"}, {"x-a", "2"}};
    ASSERT_NE(R.Header("content-TYPE"), nullptr);
    EXPECT_EQ(*R.Header("content-TYPE"), "text/html");
    EXPECT_EQ(*R.Header("X-a"), "1");
    EXPECT_EQ(R.Header("X-A-B"), nullptr);
    EXPECT_EQ(R.Header("Content-Typ"), nullptr);
}

}  // namespace
}  // namespace nimbral

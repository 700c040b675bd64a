#include <gtest/gtest.h>

#include "Json.h"

TEST(Json, EscapesTextAndKeepsBytes) {
  JsonWriter j;
  j.BeginObject()
      .Field("plain", "a \"quoted\" \\ path\n\t")
      .Field("utf8", "\xe6\x9d\xb1\xe4\xba\xac \xf0\x9f\x9a\x97")  // valid: passes through
      .Field("bytes", std::string("x\xff\xc3(\x01y", 6))           // invalid bytes and a control byte
      .Field("overlong", "\xc0\xaf")                               // overlong '/', not valid UTF-8
      .Field("surrogate", "\xed\xa0\x80")
      .Field("number", -5)
      .Field("big", uint64_t{18446744073709551615ull})
      .Field("double", 35.5)
      .Field("nan", 0.0 / 0.0)
      .Key("list")
      .BeginArray()
      .Int(1)
      .Null()
      .Bool(true)
      .EndArray()
      .Field("none", static_cast<const char*>(nullptr))
      .EndObject();
  EXPECT_EQ(j.Text(),
            "{\"plain\":\"a \\\"quoted\\\" \\\\ path\\n\\t\","
            "\"utf8\":\"\xe6\x9d\xb1\xe4\xba\xac \xf0\x9f\x9a\x97\","
            "\"bytes\":\"x\\u00ff\\u00c3(\\u0001y\","
            "\"overlong\":\"\\u00c0\\u00af\","
            "\"surrogate\":\"\\u00ed\\u00a0\\u0080\","
            "\"number\":-5,\"big\":18446744073709551615,\"double\":35.5,\"nan\":null,"
            "\"list\":[1,null,true],\"none\":null}");
}

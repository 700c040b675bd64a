// Joining call texts: plain calls become data runs, anything else stays text, order holds.
#include <gtest/gtest.h>

#include "map/ScriptBatch.h"

namespace {

std::string Dispatch(const std::string& list) {
  return "(function(r){for(var i=0;i<r.length;++i){var e=r[i],f=window[e[0]],k=e[1],a=e[2],n=e[3];"
         "for(var j=0,p=0;j<n;++j,p+=k){try{if(k===2)f(a[p],a[p+1]);else f.apply(window,a.slice(p,p+k));}"
         "catch(x){}}}})(JSON.parse('[" +
         list + "]'));\n";
}

}  // namespace

TEST(ScriptBatch, PlainCallsTravelAsRunsAndOtherTextsKeepTheirPlace) {
  ScriptBatch batch;
  EXPECT_TRUE(batch.Empty());
  batch.Add("path_delete()");
  batch.Add("path_plot(1.000000,2.000000)");
  batch.Add("path_plot(3.5,-4)");
  batch.Add("movpos(5.000000, 6.000000)");
  batch.Add("pathdrived_plot_to_n(0)");
  batch.Add("alert('x')");
  batch.Add("path_plot(7,8)");
  EXPECT_FALSE(batch.Empty());
  EXPECT_EQ(batch.Take(), Dispatch("[\"path_delete\",0,[],1],[\"path_plot\",2,[1.000000,2.000000,3.5,-4],2],"
                                   "[\"movpos\",2,[5.000000,6.000000],1],[\"pathdrived_plot_to_n\",1,[0],1]") +
                              "try{alert('x')\n}catch(e){}\n" + Dispatch("[\"path_plot\",2,[7,8],1]"));
  EXPECT_TRUE(batch.Empty());
  EXPECT_EQ(batch.Take(), "");
}

TEST(ScriptBatch, ArityChangesStartANewRun) {
  ScriptBatch batch;
  batch.Add("f(1)");
  batch.Add("f(1,2)");
  batch.Add("f()");
  batch.Add("f()");
  EXPECT_EQ(batch.Take(), Dispatch("[\"f\",1,[1],1],[\"f\",2,[1,2],1],[\"f\",0,[],2]"));
}

TEST(ScriptBatch, AnythingButPlainNumbersStaysProgramText) {
  for (const char* text : {"path_plot(1e5,2)", "path_plot(.5,1)", "path_plot(01,2)", "path_plot(1,2);",
                           "path_plot(1,,2)", "path_plot(nan,1)", "path_plot(-inf,1)", "x.y(1)", "f(1)(2)", " f(1)",
                           "f(1) ", "f(1.)", "f(-)", "f('a')", "9f(1)", "f(1", "f", ""}) {
    ScriptBatch batch;
    batch.Add(text);
    EXPECT_EQ(batch.Take(), std::string("try{") + text + "\n}catch(e){}\n") << text;
  }
}

TEST(ScriptBatch, ClearDropsEverything) {
  ScriptBatch batch;
  batch.Add("f(1)");
  batch.Add("g = 1");
  batch.Add("f(2)");
  EXPECT_GT(batch.Size(), 0u);
  batch.Clear();
  EXPECT_TRUE(batch.Empty());
  EXPECT_EQ(batch.Take(), "");
}

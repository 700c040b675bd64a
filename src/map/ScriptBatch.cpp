#include "map/ScriptBatch.h"

#include <string_view>

namespace {

// Runs [[name, arity, [arguments...], count], ...]: count calls of
// window[name], each taking the next `arity` arguments.
constexpr std::string_view kDispatchBegin =
    "(function(r){for(var i=0;i<r.length;++i){var e=r[i],f=window[e[0]],k=e[1],a=e[2],n=e[3];"
    "for(var j=0,p=0;j<n;++j,p+=k){try{if(k===2)f(a[p],a[p+1]);else f.apply(window,a.slice(p,p+k));}"
    "catch(x){}}}})(JSON.parse('[";
constexpr std::string_view kDispatchEnd = "]'));\n";

bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of a number as "%f" and integers write it, which is also a JSON
// number: -?(0|[1-9][0-9]*)(.[0-9]+)?  0 when there is none at i.
std::size_t NumberLength(std::string_view text, std::size_t i) {
  const std::size_t start = i;
  if (i < text.size() && text[i] == '-') ++i;
  if (i >= text.size() || !IsDigit(text[i])) return 0;
  if (text[i] == '0')
    ++i;
  else
    while (i < text.size() && IsDigit(text[i])) ++i;
  if (i < text.size() && text[i] == '.') {
    ++i;
    if (i >= text.size() || !IsDigit(text[i])) return 0;
    while (i < text.size() && IsDigit(text[i])) ++i;
  }
  return i - start;
}

// "name(1.5, -2)": the name, the arguments joined by commas and their count.
bool ParsePlainCall(std::string_view code, std::string_view& name, std::string& args, std::size_t& arity) {
  std::size_t i = 0;
  if (code.empty() || !IsNameStart(code[0])) return false;
  while (i < code.size() && (IsNameStart(code[i]) || IsDigit(code[i]))) ++i;
  name = code.substr(0, i);
  if (i >= code.size() || code[i] != '(') return false;
  ++i;
  args.clear();
  arity = 0;
  const auto skipBlanks = [&] {
    while (i < code.size() && code[i] == ' ') ++i;
  };
  skipBlanks();
  if (i < code.size() && code[i] != ')') {
    for (;;) {
      skipBlanks();
      const std::size_t length = NumberLength(code, i);
      if (length == 0) return false;
      if (arity++) args += ',';
      args.append(code.substr(i, length));
      i += length;
      skipBlanks();
      if (i < code.size() && code[i] == ',') {
        ++i;
        continue;
      }
      break;
    }
  }
  return i + 1 == code.size() && code[i] == ')';
}

}  // namespace

void ScriptBatch::Add(const std::string& code) {
  std::string_view name;
  std::string args;
  std::size_t arity = 0;
  if (!ParsePlainCall(code, name, args, arity)) {
    CloseList();
    m_script += "try{";
    m_script += code;
    m_script += "\n}catch(e){}\n";
    return;
  }
  if (m_runCount != 0 && (name != m_runName || arity != m_runArity)) CloseRun();
  if (!m_listOpen) {
    m_script += kDispatchBegin;
    m_listOpen = true;
  } else if (m_runCount == 0) {
    m_script += ',';
  }
  if (m_runCount == 0) {
    m_runName.assign(name);
    m_runArity = arity;
    m_script += "[\"";
    m_script += m_runName;
    m_script += "\",";
    m_script += std::to_string(arity);
    m_script += ",[";
  } else if (arity != 0) {
    m_script += ',';
  }
  m_script += args;
  ++m_runCount;
}

void ScriptBatch::CloseRun() {
  if (m_runCount == 0) return;
  m_script += "],";
  m_script += std::to_string(m_runCount);
  m_script += ']';
  m_runName.clear();
  m_runArity = 0;
  m_runCount = 0;
}

void ScriptBatch::CloseList() {
  CloseRun();
  if (!m_listOpen) return;
  m_script += kDispatchEnd;
  m_listOpen = false;
}

std::string ScriptBatch::Take() {
  CloseList();
  std::string script;
  script.swap(m_script);
  return script;
}

void ScriptBatch::Clear() {
  m_script.clear();
  m_listOpen = false;
  m_runName.clear();
  m_runArity = 0;
  m_runCount = 0;
}

#pragma once
// Formatting of the wizard's texts: each "%s" takes the next argument, left to
// right; arguments are inserted as they stand, never read as formats.

#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

// Ids of the texts in the program's string table: text n of a language is the
// string with id language base + n.
inline constexpr int kEnglishBase = 0;
inline constexpr int kRussianBase = 1000;
inline constexpr int kTextCount = 59;

std::wstring FormatText(std::wstring_view pattern, std::initializer_list<std::wstring_view> args);

// Text n of the current language ("" when the language has no such text).
using TTextLookup = std::function<std::wstring(int n)>;

// What goes into a text's "%s" marks.
enum class TTextArgs { None, Product, ProductTwice, ProductAndBrowse, Finish, CompanyAndStop };

// A text-bearing control and the caption the texts give it. With
// CompanyAndStop the caption is the company name and a full stop, no text.
struct TCaptionRule {
  std::string_view control;
  int text;
  TTextArgs args;
};

// Every control caption the texts set, in the order they are applied. The
// buttons, the window caption and the licence view are set apart.
std::span<const TCaptionRule> CaptionRules();

std::wstring RuleCaption(const TCaptionRule& rule, const TTextLookup& text, std::wstring_view product,
                         std::wstring_view company);

// The application title: the window caption and the caption of every error box.
std::wstring AppTitle(const TTextLookup& text, std::wstring_view product);

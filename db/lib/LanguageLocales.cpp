// The ICU locale of each language id of the engine's language list (the ids of the 99 language names the
// engine core keeps, in the same order). Language 0 compares bytewise and has no locale.
#include "db/lib/Collation.h"

#include <algorithm>
#include <array>

namespace vorsam {

namespace {

struct TLanguageLocale {
    uint16_t LanguageId;
    std::string_view Locale;
};

constexpr std::array<TLanguageLocale, 99> LanguageLocales{{
    {0x0000, ""},        {0x0436, "af"},
    {0x041C, "sq"},      {0x0401, "ar_SA"},
    {0x0801, "ar_IQ"},   {0x0C01, "ar_EG"},
    {0x1001, "ar_LY"},   {0x1401, "ar_DZ"},
    {0x1801, "ar_MA"},   {0x1C01, "ar_TN"},
    {0x2001, "ar_OM"},   {0x2401, "ar_YE"},
    {0x2801, "ar_SY"},   {0x2C01, "ar_JO"},
    {0x3001, "ar_LB"},   {0x3401, "ar_KW"},
    {0x3801, "ar_AE"},   {0x3C01, "ar_BH"},
    {0x4001, "ar_QA"},   {0x042D, "eu"},
    {0x0423, "be"},      {0x0402, "bg"},
    {0x0403, "ca"},      {0x041A, "hr"},
    {0x0405, "cs"},      {0x0406, "da"},
    {0x0413, "nl_NL"},   {0x0813, "nl_BE"},
    {0x0409, "en_US"},   {0x0809, "en_GB"},
    {0x0C09, "en_AU"},   {0x1009, "en_CA"},
    {0x1409, "en_NZ"},   {0x1809, "en_IE"},
    {0x1C09, "en_ZA"},   {0x2009, "en_JM"},
    {0x2409, "en_029"},  {0x2809, "en_BZ"},
    {0x2C09, "en_TT"},   {0x0425, "et"},
    {0x0438, "fo"},      {0x0429, "fa"},
    {0x040B, "fi"},      {0x040C, "fr_FR"},
    {0x080C, "fr_BE"},   {0x0C0C, "fr_CA"},
    {0x100C, "fr_CH"},   {0x140C, "fr_LU"},
    {0x0407, "de_DE"},   {0x0807, "de_CH"},
    {0x0C07, "de_AT"},   {0x1007, "de_LU"},
    {0x1407, "de_LI"},   {0x0408, "el"},
    {0x040D, "he"},      {0x040E, "hu"},
    {0x040F, "is"},      {0x0421, "id"},
    {0x0410, "it_IT"},   {0x0810, "it_CH"},
    {0x0426, "lv"},      {0x0427, "lt"},
    {0x0414, "nb"},      {0x0814, "nn"},
    {0x0415, "pl"},      {0x0816, "pt_PT"},
    {0x0416, "pt_BR"},   {0x0418, "ro"},
    {0x0419, "ru"},      {0x081A, "sr_Latn"},
    {0x0C1A, "sr_Cyrl"}, {0x041B, "sk"},
    {0x0424, "sl"},      {0x040A, "es@collation=traditional"},
    {0x080A, "es_MX"},   {0x0C0A, "es_ES"},
    {0x100A, "es_GT"},   {0x140A, "es_CR"},
    {0x180A, "es_PA"},   {0x1C0A, "es_DO"},
    {0x200A, "es_VE"},   {0x240A, "es_CO"},
    {0x280A, "es_PE"},   {0x2C0A, "es_AR"},
    {0x300A, "es_EC"},   {0x340A, "es_CL"},
    {0x380A, "es_UY"},   {0x3C0A, "es_PY"},
    {0x400A, "es_BO"},   {0x440A, "es_SV"},
    {0x480A, "es_HN"},   {0x4C0A, "es_NI"},
    {0x500A, "es_PR"},   {0x041D, "sv_SE"},
    {0x081D, "sv_FI"},   {0x041E, "th"},
    {0x041F, "tr"},      {0x0422, "uk"},
    {0x042A, "vi"},
}};

const TLanguageLocale* FindLanguage(uint16_t languageId) {
    auto it = std::find_if(LanguageLocales.begin(), LanguageLocales.end(),
                           [&](const TLanguageLocale& l) { return l.LanguageId == languageId; });
    return it == LanguageLocales.end() ? nullptr : &*it;
}

} // namespace

bool IsValidLocaleId(uint32_t localeId) {
    return localeId >> 16 == 0 && FindLanguage(uint16_t(localeId)) != nullptr;
}

std::string_view IcuLocaleOfLanguage(uint16_t languageId) {
    const TLanguageLocale* language = FindLanguage(languageId);
    return language ? language->Locale : std::string_view();
}

} // namespace vorsam

#include "asn1/CharacterStrings.h"

namespace ASN1 {

HALVOX_CONSTINIT const char NumericStringSet[12] = " 0123456789";

HALVOX_CONSTINIT const char PrintableStringSet[75] =
    " '()+,-./0123456789:=\077ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

HALVOX_CONSTINIT const char VisibleStringSet[96] =
    " !\042#$%&'()*+,-./0123456789:;<=>\077@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\134]^_`abcdefghijklm"
    "nopqrstuvwxyz{|}~";

HALVOX_CONSTINIT const char IA5StringSet[129] =
    "\000\001\002\003\004\005\006\007\010\011\012\013\014\015\016\017\020\021\022\023\024"
    "\025\026\027\030\031\032\033\034\035\036\037 !\042#$%&'()*+,-./0123456789:;<=>\077@ABCD"
    "EFGHIJKLMNOPQRSTUVWXYZ[\134]^_`abcdefghijklmnopqrstuvwxyz{|}~\177";

HALVOX_CONSTINIT const char GeneralStringSet[257] =
    "\000\001\002\003\004\005\006\007\010\011\012\013\014\015\016\017\020\021\022\023\024"
    "\025\026\027\030\031\032\033\034\035\036\037 !\042#$%&'()*+,-./0123456789:;<=>\077@ABCD"
    "EFGHIJKLMNOPQRSTUVWXYZ[\134]^_`abcdefghijklmnopqrstuvwxyz{|}~\177\200\201\202\203\204"
    "\205\206\207\210\211\212\213\214\215\216\217\220\221\222\223\224\225\226\227\230\231"
    "\232\233\234\235\236\237\240\241\242\243\244\245\246\247\250\251\252\253\254\255\256"
    "\257\260\261\262\263\264\265\266\267\270\271\272\273\274\275\276\277\300\301\302\303"
    "\304\305\306\307\310\311\312\313\314\315\316\317\320\321\322\323\324\325\326\327\330"
    "\331\332\333\334\335\336\337\340\341\342\343\344\345\346\347\350\351\352\353\354\355"
    "\356\357\360\361\362\363\364\365\366\367\370\371\372\373\374\375\376\377";

HALVOX_CONSTINIT const StringInfo NumericString::theInfo = {
    {{&AbstractString::create, 18}, Unconstrained, 0, 0xFFFFFFFFu}, NumericStringSet, 11, 4, 4, 4};
HALVOX_CONSTINIT const StringInfo PrintableString::theInfo = {
    {{&AbstractString::create, 19}, Unconstrained, 0, 0xFFFFFFFFu},
    PrintableStringSet,
    74,
    7,
    7,
    8};
HALVOX_CONSTINIT const StringInfo VisibleString::theInfo = {
    {{&AbstractString::create, 26}, Unconstrained, 0, 0xFFFFFFFFu}, VisibleStringSet, 95, 7, 7, 8};
HALVOX_CONSTINIT const StringInfo IA5String::theInfo = {
    {{&AbstractString::create, 22}, Unconstrained, 0, 0xFFFFFFFFu}, IA5StringSet, 128, 7, 7, 8};
HALVOX_CONSTINIT const StringInfo GeneralString::theInfo = {
    {{&AbstractString::create, 27}, Unconstrained, 0, 0xFFFFFFFFu}, GeneralStringSet, 256, 8, 8, 8};

}  // namespace ASN1

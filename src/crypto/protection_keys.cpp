#include "protection_keys.h"

namespace velkor::protection {

const char kEntryKeyTable[kEntryKeyCount][74] = {
    "/A?G)_qIl4rYkw_=.[DeIf.{t=3GZIS<K&4w0[oHm0BzL,r],^_Y4mFO8VePlP9N?M#&LJp/U",
    ";M!J%Aq/zhjzwcof6*2Mlw}SxwaJN5zg:ccKENXx3(;nQKkKf7k!{*c#>=)56_{bj0?LRp%lg",
    "{M|d*}-#=h=:&%;[o.=i]BmGm^cs4}4)I@l-U<x45x|-ipp6JB-z@U#C3zUmeLS{<=#a#snbR",
    "~Cexg9DJr&]RN};&k6vr7l}I#9v2Q@59rNfNwJ{&z1|6XXNGk[n(/hDw}1X9:=AUdBo<#|bi5",
};

const char kDisplayKeyString[68]
    = "|ZS2.)m})_?5YsY|Awe{,-[ORPv^E[)YIs88*5UGE(y)surM1]f6t8g;[qOzrG%4H+^";

const char kEntryInitialValueLabel[12] = "VelkorEntry";
const char kDisplayInitialValueLabel[10] = "VkDisplay";

} // namespace velkor::protection

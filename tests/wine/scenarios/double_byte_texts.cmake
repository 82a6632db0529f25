# 16-bit texts converted into a double-byte ANSI code page (932): a text of n characters has n + 128 bytes of
# room, so 127 two-byte characters convert and 128 give the fallback text, in a string and in each element of a
# string list on its own.
wine_locale(ja_JP)
wine_helper(dbcs)
wine_devlist(setup-cp932.txt setup {4d36e978-e325-11ce-bfc1-08002be10318})

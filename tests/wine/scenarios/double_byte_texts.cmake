# 16-bit texts converted into a double-byte ANSI code page (932): texts of 127, 128 and 1,000 two-byte characters
# all convert in full, byte for byte, in a string and in each element of a string list.
wine_locale(ja_JP)
wine_helper(dbcs)
wine_devlist(setup-cp932.txt setup {4d36e978-e325-11ce-bfc1-08002be10318})

# The JSON document in code page 932: the same UTF-8 bytes as in code page 1252 (scenario json_texts), never
# "Error converting from unicode.", while the text falls back where the code page cannot hold a value.
wine_helper(json)
wine_devlist(json-texts.json json setup {6a3f1c2e-7b4d-4e5f-90a1-b2c3d4e5f607})
wine_agree(cp932 setup {6a3f1c2e-7b4d-4e5f-90a1-b2c3d4e5f607})
wine_agree(cp932 setup {4d36e978-e325-11ce-bfc1-08002be10318})

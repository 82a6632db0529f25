# `json` under Wine in code page 1252: the document agrees with the text of the same arguments, value by value,
# for every property type the helper stores and for the interface listing; its texts are the same UTF-8 bytes
# as in code page 932 (scenario double_byte_texts, same golden).
wine_helper(properties)
wine_helper(interfaces)
wine_helper(json)
wine_devlist(json-texts.json json setup {6a3f1c2e-7b4d-4e5f-90a1-b2c3d4e5f607})
wine_devlist(json-texts.json setup json {6a3f1c2e-7b4d-4e5f-90a1-b2c3d4e5f607} json)
wine_agree(cp1252 setup {6a3f1c2e-7b4d-4e5f-90a1-b2c3d4e5f607})
wine_agree(cp1252)
wine_agree(cp1252 not-present)
wine_agree(cp1252 interface)
wine_agree(cp1252 interface not-present)
wine_agree(cp1252 interface {86E0D1E0-8089-11D0-9CE4-08003E301F73})
wine_agree(cp1252 {)
# Only the lower-case word is the keyword.
wine_devlist(usage.txt JSON)
wine_devlist(usage.txt -json)
wine_devlist(usage.txt --json interface)
# Standard output on a full disk: the one run that ends with 1.
wine_devlist_unwritable(json setup)
wine_devlist_unwritable(json interface)

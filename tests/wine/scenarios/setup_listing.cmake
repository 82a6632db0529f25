# The setup-class listing and the device property report, in one prefix.
wine_helper(properties)

# Wine ignores DIGCF_PRESENT when it enumerates devices, so all three sweeps list the same devices.
wine_devlist(setup.txt)
wine_devlist(setup.txt setup present)
wine_devlist(setup.txt not-present)

# One class: a catalogued one with three devices, one that no catalogue row names, one without devices.
wine_devlist(setup-ports.txt setup {4d36e978-e325-11ce-bfc1-08002be10318})
wine_devlist(setup-uncatalogued.txt setup {D5E1C7A0-6B2F-4E8D-9C3A-0F1E2D3C4B5A})
wine_devlist(setup-uncatalogued.txt not-present {D5E1C7A0-6B2F-4E8D-9C3A-0F1E2D3C4B5A})
wine_devlist(setup-no-devices.txt {00000000-0000-0000-0000-000000000001})
wine_devlist(setup-bad-guid.txt setup {)

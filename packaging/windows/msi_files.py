#!/usr/bin/env python3
"""The installer's file list: one component a file of the unpacked zip, under INSTALLDIR,
folders as they are. Usage: msi_files.py STAGE_DIR > files.wxs"""
import hashlib
import os
import sys
from xml.sax.saxutils import quoteattr

stage = sys.argv[1]


def ident(kind, path):
    return kind + hashlib.sha1(path.encode()).hexdigest()[:24].upper()


def folder(path, indent):
    lines = []
    for name in sorted(os.listdir(os.path.join(stage, path))):
        rel = os.path.join(path, name) if path else name
        if os.path.isdir(os.path.join(stage, rel)):
            lines.append(f'{indent}<Directory Id="{ident("dir", rel)}" Name={quoteattr(name)}>')
            lines += folder(rel, indent + "  ")
            lines.append(f"{indent}</Directory>")
        else:
            lines.append(f'{indent}<Component Id="{ident("cmp", rel)}" Guid="*">')
            lines.append(f'{indent}  <File Id="{ident("fil", rel)}" Name={quoteattr(name)} '
                         f'KeyPath="yes" Source={quoteattr("$(var.SourceDir)/" + rel)}/>')
            lines.append(f"{indent}</Component>")
            components.append(ident("cmp", rel))
    return lines


components = []
body = folder("", "      ")
print('<?xml version="1.0" encoding="utf-8"?>')
print('<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">')
print("  <Fragment>")
print('    <DirectoryRef Id="INSTALLDIR">')
print("\n".join(body))
print("    </DirectoryRef>")
print('    <ComponentGroup Id="CG.files">')
for c in components:
    print(f'      <ComponentRef Id="{c}"/>')
print("    </ComponentGroup>")
print("  </Fragment>")
print("</Wix>")

object BlobForm: TBlobForm
  Left = 347
  Top = 104
  Width = 297
  Height = 189
  Caption = 'Blob Explorer'
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  HelpContext = 2000
  PopupMenu = BlobPopupMenu
  OnClose = FormClose
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  PixelsPerInch = 96
  object BlobGraphic: TDBImage
    Left = 0
    Top = 0
    Width = 289
    Height = 162
    Align = alClient
    Stretch = True
    TabOrder = 0
  end
  object BlobMemo: TDBMemo
    Left = 0
    Top = 0
    Width = 289
    Height = 162
    Align = alClient
    ScrollBars = ssBoth
    TabOrder = 1
  end
  object BlankPanel: TPanel
    Left = 0
    Top = 0
    Width = 289
    Height = 162
    Align = alClient
    BevelOuter = bvLowered
    TabOrder = 2
  end
  object BlobPopupMenu: TPopupMenu
    object MOnTop: TMenuItem
      Caption = 'Always On Top'
      OnClick = MOnTopClick
    end
    object N1: TMenuItem
      Caption = '-'
    end
    object MShowDefault: TMenuItem
      Caption = 'Show as Default'
      GroupIndex = 1
      RadioItem = True
      OnClick = ShowTypeClick
    end
    object MShowGraphic: TMenuItem
      Caption = 'Show as Graphic'
      Tag = 17
      GroupIndex = 1
      RadioItem = True
      OnClick = ShowTypeClick
    end
    object MShowText: TMenuItem
      Caption = 'Show as Text'
      Tag = 16
      GroupIndex = 1
      RadioItem = True
      OnClick = ShowTypeClick
    end
    object MShowMemory: TMenuItem
      Caption = 'Show as Memory'
      Tag = 15
      GroupIndex = 1
      RadioItem = True
      Visible = False
      OnClick = ShowTypeClick
    end
    object MHotKey: TMenuItem
      Caption = 'HotKey'
      ShortCut = 32889
      Visible = False
      OnClick = MHotKeyClick
    end
  end
end

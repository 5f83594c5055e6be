object AboutDbExplorer: TAboutDbExplorer
  Left = 300
  Top = 200
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'About Nubo Administrator'
  ClientHeight = 200
  ClientWidth = 300
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Position = poScreenCenter
  OnClose = FormClose
  OnCreate = FormCreate
  OnDblClick = FormDblClick
  PixelsPerInch = 96
  object Panel: TPanel
    Left = 8
    Top = 8
    Width = 284
    Height = 146
    BevelOuter = bvLowered
    TabOrder = 0
    OnDblClick = FormDblClick
    object ProgramIcon: TImage
      Left = 12
      Top = 12
      Width = 32
      Height = 32
      Center = True
      OnDblClick = FormDblClick
    end
    object ProductName: TLabel
      Left = 60
      Top = 16
      Width = 210
      Height = 16
      AutoSize = False
      Caption = 'Nubo Administrator'
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clWindowText
      Font.Height = -13
      Font.Name = 'MS Sans Serif'
      Font.Style = [fsBold]
      ParentFont = False
      OnDblClick = FormDblClick
    end
    object Version: TLabel
      Left = 60
      Top = 40
      Width = 210
      Height = 13
      AutoSize = False
      Caption = 'Version 4.50'
      OnDblClick = FormDblClick
    end
    object Purpose: TLabel
      Left = 12
      Top = 70
      Width = 258
      Height = 64
      AutoSize = False
      Caption = 'Explores and configures the databases, aliases and drivers of the Nubo engine.'
      WordWrap = True
      OnDblClick = FormDblClick
    end
  end
  object OKBtn: TButton
    Left = 112
    Top = 166
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 1
  end
end
